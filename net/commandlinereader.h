// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the game's and the lobby's command lines read alike. Each program keeps
// its own options and rules; underneath, both walk their arguments the same
// way: an option's value follows "=" or is the next argument, --help, -h and
// --version answer whatever else the line holds, QApplication's own options
// (qtoptions.h) are stepped over and left for it, and the first problem found
// is why the line is refused.

#include "qtoptions.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace cmdline {

// What every program's reading of its line gives besides its own options.
struct LineResult {
    // Qt's -platform was given: the display check must leave the choice to Qt.
    bool platformArgument = false;
    // Why the line was refused (Action::Error), one short sentence.
    QString error;
};

// The command line without the program's own name, in the system's encoding.
inline QStringList arguments(int argc, char** argv) {
    QStringList list;
    for (int i = 1; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

// A line refused for `why`. Options is a program's result: a LineResult with
// an `action` whose enum has Help, Version and Error.
template <typename Options> Options refused(const QString& why) {
    Options o;
    o.action = decltype(o.action)::Error;
    o.error = why;
    return o;
}

// The base of a program's reader, which walks m_args with m_at and hands each
// option it does not know of its own to readQtOption().
template <typename Options> class ArgumentReader {
protected:
    explicit ArgumentReader(const QStringList& arguments) : m_args(arguments) {}

    // True, with o.action set, for --help, -h and --version: the line is
    // answered and nothing after them is read.
    static bool answered(const QString& arg, Options& o) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            o.action = decltype(o.action)::Help;
        else if (arg == QLatin1String("--version"))
            o.action = decltype(o.action)::Version;
        else
            return false;
        return true;
    }

    // The option's value: after "=", else the next argument (which is then
    // passed over); nothing when the line ends first.
    std::optional<QString> value(const QString& arg) {
        const qsizetype eq = arg.indexOf(QLatin1Char('='));
        if (eq >= 0)
            return arg.mid(eq + 1);
        if (m_at + 1 < m_args.size())
            return m_args.at(++m_at);
        return std::nullopt;
    }

    // One of Qt's options, left in the line for QApplication: only its value
    // is stepped over. Anything else is refused as unknown.
    bool readQtOption(const QString& arg, const QString& name, Options& o) {
        const bool inlineValue = arg.contains(QLatin1Char('='));
        const qtoptions::Kind kind = qtoptions::kindOf(name);
        if (kind == qtoptions::Kind::Value) {
            if (!inlineValue && !value(arg))
                return refuse(o, QStringLiteral("option %1 needs a value").arg(arg));
            if (name == QLatin1String("platform"))
                o.platformArgument = true;
            return true;
        }
        if (!inlineValue && kind == qtoptions::Kind::Flag)
            return true;
        return refuse(o, QStringLiteral("unknown option '%1'").arg(arg));
    }

    // Refuses the line for `why`; false, so that a reader can return it.
    static bool refuse(Options& o, const QString& why) {
        o.action = decltype(o.action)::Error;
        o.error = why;
        return false;
    }

    const QStringList& m_args;
    qsizetype m_at = 0;
};

} // namespace cmdline
