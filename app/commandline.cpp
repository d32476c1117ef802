#include "commandline.h"

#include "version.h"

#include <array>

namespace commandline {

namespace {

// QApplication's own options that take a value (the next argument, or after
// "="), and those that stand alone. QApplication removes them from the line; we
// only have to step over them.
constexpr std::array kQtValueOptions = {
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "display",         "geometry",           "style",         "stylesheet",
};
constexpr std::array kQtFlags = {"reverse", "widgetcount"};

// The name of a single- or double-dash option, without its "=value".
QString optionName(const QString& arg) {
    const int skip = arg.startsWith(QLatin1String("--")) ? 2 : 1;
    const int eq = arg.indexOf(QLatin1Char('='));
    return eq < 0 ? arg.mid(skip) : arg.mid(skip, eq - skip);
}

template <std::size_t N> bool oneOf(const QString& name, const std::array<const char*, N>& names) {
    for (const char* n : names)
        if (name == QLatin1String(n))
            return true;
    return false;
}

Options refused(const QString& why) {
    Options o;
    o.action = Action::Error;
    o.error = why;
    return o;
}

} // namespace

std::optional<quint16> parsePort(const QString& text) {
    if (text.isEmpty() || text.size() > 5)
        return std::nullopt;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    const uint value = text.toUInt();
    if (value < 1 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value);
}

Options parse(const QStringList& arguments) {
    Options o;
    bool server = false;
    bool serverOnlyOption = false;
    bool optionsEnded = false;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (optionsEnded || arg.size() < 2 || !arg.startsWith(QLatin1Char('-'))) {
            o.parameters << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const QString name = optionName(arg);
        const bool inlineValue = arg.contains(QLatin1Char('='));
        // The option's value: after "=", else the next argument.
        auto value = [&]() -> std::optional<QString> {
            if (inlineValue)
                return arg.mid(arg.indexOf(QLatin1Char('=')) + 1);
            if (i + 1 < arguments.size())
                return arguments.at(++i);
            return std::nullopt;
        };

        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.action = Action::Help;
            return o;
        }
        if (arg == QLatin1String("--version")) {
            o.action = Action::Version;
            return o;
        }
        if (arg == QLatin1String("--server")) {
            server = true;
        } else if (name == QLatin1String("port") && arg.startsWith(QLatin1String("--"))) {
            const auto text = value();
            if (!text)
                return refused(QStringLiteral("option --port needs a port number"));
            o.port = parsePort(*text);
            if (!o.port)
                return refused(
                    QStringLiteral("bad port '%1': give a number from 1 to 65535").arg(*text));
        } else if (name == QLatin1String("pause") && arg.startsWith(QLatin1String("--"))) {
            const auto text = value();
            if (text == QLatin1String("long"))
                o.pause = Pause::Long;
            else if (text == QLatin1String("normal"))
                o.pause = Pause::Normal;
            else if (text == QLatin1String("quick"))
                o.pause = Pause::Quick;
            else
                return refused(QStringLiteral("option --pause takes long, normal or quick"));
            serverOnlyOption = true;
        } else if (name == QLatin1String("bot-speed") && arg.startsWith(QLatin1String("--"))) {
            const auto text = value();
            if (text == QLatin1String("slow"))
                o.botSpeed = BotSpeed::Slow;
            else if (text == QLatin1String("normal"))
                o.botSpeed = BotSpeed::Normal;
            else if (text == QLatin1String("fast"))
                o.botSpeed = BotSpeed::Fast;
            else
                return refused(QStringLiteral("option --bot-speed takes slow, normal or fast"));
            serverOnlyOption = true;
        } else if (oneOf(name, kQtValueOptions)) {
            // Left in the line for QApplication; we only step over its value.
            if (!inlineValue && !value())
                return refused(QStringLiteral("option %1 needs a value").arg(arg));
            if (name == QLatin1String("platform"))
                o.platformArgument = true;
        } else if (inlineValue || !oneOf(name, kQtFlags)) {
            return refused(QStringLiteral("unknown option '%1'").arg(arg));
        }
    }

    if (server) {
        if (!o.parameters.isEmpty())
            return refused(QStringLiteral("--server takes no NAME HOST MODE parameters"));
        o.action = Action::Server;
        return o;
    }
    if (serverOnlyOption)
        return refused(QStringLiteral("--pause and --bot-speed belong to --server"));

    // A joining copy may name the host's port with HOST:PORT; without it the
    // game's port (7772, or --port) is used. A hosting copy ignores HOST.
    if (o.parameters.size() >= 3 && o.parameters.at(2) != QLatin1String("true")) {
        const QString& host = o.parameters.at(1);
        const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
        if (colon >= 0) {
            o.joinHost = host.left(colon);
            o.joinPort = parsePort(host.mid(colon + 1));
            if (o.joinHost.isEmpty() || !o.joinPort)
                return refused(QStringLiteral("bad host '%1': give HOST or HOST:PORT with a "
                                              "port from 1 to 65535")
                                   .arg(host));
        }
    }
    return o;
}

QString usage() {
    return QStringLiteral(
        "Usage: vorlix [--port N]                         a solo game against Grob\n"
        "       vorlix [--port N] NAME HOST true          host a game for others\n"
        "       vorlix [--port N] NAME HOST[:PORT] false  join the game hosted at HOST\n"
        "       vorlix --server [--port N] [--pause long|normal|quick]\n"
        "                       [--bot-speed slow|normal|fast]\n"
        "       vorlix --help | --version\n"
        "\n"
        "Any MODE other than \"true\" joins.\n"
        "  --port N       TCP port of the game, 1 to 65535 (default 7772)\n"
        "  --server       run a dedicated game server without a window\n"
        "  --pause P      dedicated server: time between rounds\n"
        "  --bot-speed S  dedicated server: pace of the computer opponent\n"
        "  -h, --help     print this help and exit\n"
        "  --version      print the version and exit\n"
        "\n"
        "A hosting copy listens on TCP port 7772 unless --port says otherwise.\n"
        "See vorlix(6) for the files the game keeps.\n");
}

QString versionLine() {
    return QStringLiteral("Vorlix ") + QLatin1String(wire::kVersion);
}

} // namespace commandline
