// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include "qtoptions.h"
#include "version.h"

#include <array>
#include <initializer_list>
#include <utility>

namespace commandline {

std::optional<quint16> parsePort(const QString& text) {
    return lobbywire::parsePort(text);
}

namespace {

// Reads the options out of the line and keeps the positional parameters; the
// rules that need the whole line come after, in parse().
class Reader : cmdline::ArgumentReader<Options> {
public:
    explicit Reader(const QStringList& arguments) : ArgumentReader(arguments) {}

    // False when the line is refused, finished or answered (help, version).
    bool readAll(Options& o) {
        bool optionsEnded = false;
        for (m_at = 0; m_at < m_args.size(); ++m_at) {
            const QString& arg = m_args.at(m_at);
            if (optionsEnded || arg.size() < 2 || !arg.startsWith(QLatin1Char('-')))
                o.parameters << arg;
            else if (arg == QLatin1String("--"))
                optionsEnded = true;
            else if (!readOption(arg, o))
                return false;
        }
        return true;
    }

    bool server = false;
    bool serverOnlyOption = false;
    bool windowOnlyOption = false;

private:
    bool readOption(const QString& arg, Options& o) {
        const QString name = qtoptions::optionName(arg);
        const bool ours = arg.startsWith(QLatin1String("--"));
        if (answered(arg, o))
            return false;
        if (arg == QLatin1String("--server")) {
            server = true;
            return true;
        }
        if (ours && name == QLatin1String("port"))
            return readPort(arg, o);
        if (ours && name == QLatin1String("link-port"))
            return readLinkPort(arg, o);
        if (ours && (name == QLatin1String("public") || name == QLatin1String("invite")))
            return readTable(arg, name, o);
        if (ours && name == QLatin1String("lobby"))
            return readLobby(arg, o);
        if (ours && name == QLatin1String("pause"))
            return readChoice(arg, o, o.pause,
                              {{"long", RoundPause::Long},
                               {"normal", RoundPause::Normal},
                               {"quick", RoundPause::Quick}});
        if (ours && name == QLatin1String("bot-speed"))
            return readChoice(
                arg, o, o.botSpeed,
                {{"slow", BotPace::Slow}, {"normal", BotPace::Normal}, {"fast", BotPace::Fast}});
        return readQtOption(arg, name, o);
    }

    bool readPort(const QString& arg, Options& o) {
        const std::optional<QString> text = value(arg);
        if (!text)
            return refuse(o, QStringLiteral("option --port needs a port number"));
        o.port = parsePort(*text);
        if (!o.port)
            return refuse(
                o, QStringLiteral("bad port '%1': give a number from 1 to 65535").arg(*text));
        return true;
    }

    bool readLinkPort(const QString& arg, Options& o) {
        windowOnlyOption = true;
        const std::optional<QString> text = value(arg);
        o.linkPort = text ? parsePort(*text) : std::nullopt;
        if (!o.linkPort)
            return refuse(o, QStringLiteral("option --link-port needs a port from 1 to 65535"));
        return true;
    }

    bool readTable(const QString& arg, const QString& name, Options& o) {
        const std::optional<QString> text = value(arg);
        if (o.listing)
            return refuse(o, QStringLiteral("give --public or --invite, once"));
        const QString clean =
            text ? lobbywire::cleanName(*text, lobbywire::kMaxTableNameChars) : QString();
        if (!text || clean.isEmpty() || text->size() > lobbywire::kMaxTableNameChars)
            return refuse(o, QStringLiteral("option --%1 needs a table name of 1 to %2 characters")
                                 .arg(name)
                                 .arg(lobbywire::kMaxTableNameChars));
        o.listing = name == QLatin1String("public") ? lobbywire::Listing::Public
                                                    : lobbywire::Listing::Invite;
        o.tableName = clean;
        return true;
    }

    bool readLobby(const QString& arg, Options& o) {
        const std::optional<QString> text = value(arg);
        const auto list = text ? lobbywire::parseHostPortList(*text, lobbywire::kDefaultServicePort)
                               : std::nullopt;
        if (!list)
            return refuse(o, QStringLiteral("option --lobby needs HOST or HOST:PORT"));
        o.lobby = list->first();
        o.lobbyAlternates = list->mid(1);
        return true;
    }

    template <typename Choice>
    bool readChoice(const QString& arg, Options& o, std::optional<Choice>& into,
                    std::initializer_list<std::pair<const char*, Choice>> choices) {
        serverOnlyOption = true;
        const std::optional<QString> text = value(arg);
        QStringList names;
        for (const auto& [name, choice] : choices) {
            if (text == QLatin1String(name)) {
                into = choice;
                return true;
            }
            names << QLatin1String(name);
        }
        const QString last = names.takeLast();
        return refuse(o,
                      QStringLiteral("option --%1 takes %2 or %3")
                          .arg(qtoptions::optionName(arg), names.join(QStringLiteral(", ")), last));
    }
};

bool hosting(const Options& o) {
    return o.parameters.size() >= 3 && o.parameters.at(2) == QLatin1String("true");
}

bool joining(const Options& o) {
    return o.parameters.size() >= 3 && !hosting(o);
}

// A joining copy may name the host's port with HOST:PORT; without it the
// game's port (7772, or --port) is used. Its HOST may be an invite code
// instead. A hosting copy ignores HOST.
bool splitJoinHost(Options& o) {
    if (!joining(o))
        return true;
    const QString& host = o.parameters.at(1);
    if (host.startsWith(QLatin1Char('+'))) {
        const std::optional<QString> code = lobbywire::invite::normalize(host);
        o.inviteCode = code.value_or(QString());
        return code.has_value();
    }
    const qsizetype colon = host.lastIndexOf(QLatin1Char(':'));
    if (colon < 0)
        return true;
    o.joinHost = host.left(colon);
    o.joinPort = parsePort(host.mid(colon + 1));
    return !o.joinHost.isEmpty() && o.joinPort;
}

} // namespace

Options parse(const QStringList& arguments) {
    constexpr auto refused = cmdline::refused<Options>;
    Options o;
    Reader reader(arguments);
    if (!reader.readAll(o))
        return o;
    if (reader.server) {
        if (!o.parameters.isEmpty())
            return refused(QStringLiteral("--server takes no NAME HOST MODE parameters"));
        if (reader.windowOnlyOption)
            return refused(QStringLiteral("--link-port belongs to a game with a window"));
        o.action = Action::Server;
        return o;
    }
    if (reader.serverOnlyOption)
        return refused(QStringLiteral("--pause and --bot-speed belong to --server"));
    if (o.listing && !hosting(o))
        return refused(QStringLiteral("--public and --invite belong to a hosting copy "
                                      "(NAME HOST true) or to --server"));
    if (!splitJoinHost(o)) {
        if (o.parameters.at(1).startsWith(QLatin1Char('+')))
            return refused(QStringLiteral("bad invite code '%1': give + and its eight letters "
                                          "and digits, such as +K7Q2-M9XD")
                               .arg(o.parameters.at(1)));
        return refused(QStringLiteral("bad host '%1': give HOST or HOST:PORT with a port from 1 "
                                      "to 65535")
                           .arg(o.parameters.at(1)));
    }
    return o;
}

QString usage() {
    return QStringLiteral(
        "Usage: vorlix [--port N]                         a solo game against Grob\n"
        "       vorlix [OPTIONS] [--] NAME HOST true      host a game for others\n"
        "       vorlix [OPTIONS] [--] NAME HOST[:PORT] false\n"
        "                                                 join the game hosted at HOST\n"
        "       vorlix [OPTIONS] [--] NAME +CODE false    join the table of an invite code\n"
        "       vorlix --server [--port N] [--public TABLE | --invite TABLE]\n"
        "                       [--lobby HOST:PORT] [--pause long|normal|quick]\n"
        "                       [--bot-speed slow|normal|fast]\n"
        "       vorlix --help | --version\n"
        "\n"
        "Any MODE other than \"true\" joins.\n"
        "  --port N           TCP port of the game, 1 to 65535 (default 7772)\n"
        "  --public TABLE     host: list the table in the Kestrun Lobby\n"
        "  --invite TABLE     host: register the table for its invite code alone\n"
        "                     (with neither, only players on this network find it)\n"
        "  --lobby HOST:PORT  the lobby service (default lobby.kestrun.com:7780); several\n"
        "                     instances of it separated by commas are tried in turn\n"
        "  --link-port N      the Kestrun Lobby's port on this machine (default 9001)\n"
        "  --server           run a dedicated game server without a window\n"
        "  --pause P          dedicated server: time between rounds\n"
        "  --bot-speed S      dedicated server: pace of the computer opponent\n"
        "  -h, --help         print this help and exit\n"
        "  --version          print the version and exit\n"
        "\n"
        "A hosting copy listens on TCP port 7772 unless --port says otherwise.\n"
        "See vorlix(6) for the files the game keeps.\n");
}

QString versionLine() {
    return QStringLiteral("Vorlix ") + QLatin1String(wire::kVersion);
}

} // namespace commandline
