// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtoptions.h"

#include <array>

namespace qtoptions {

namespace {

constexpr std::array kValueOptions = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "display",         "geometry",           "style",         "stylesheet",
};
constexpr std::array kFlags = {"reverse", "widgetcount"};

template <std::size_t N> bool oneOf(const QString& name, const std::array<const char*, N>& names) {
    for (const char* n : names)
        if (name == QLatin1String(n))
            return true;
    return false;
}

} // namespace

QString optionName(const QString& arg) {
    const qsizetype skip = arg.startsWith(QLatin1String("--")) ? 2 : 1;
    const qsizetype eq = arg.indexOf(QLatin1Char('='));
    return eq < 0 ? arg.mid(skip) : arg.mid(skip, eq - skip);
}

Kind kindOf(const QString& name) {
    if (oneOf(name, kValueOptions))
        return Kind::Value;
    if (oneOf(name, kFlags))
        return Kind::Flag;
    return Kind::None;
}

} // namespace qtoptions
