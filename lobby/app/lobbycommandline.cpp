// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobbycommandline.h"

#include "lobbyaddress.h"
#include "lobbymessages.h"
#include "qtoptions.h"
#include "version.h"

namespace lobbycli {

namespace {

class Reader : cmdline::ArgumentReader<Options> {
public:
    explicit Reader(const QStringList& arguments) : ArgumentReader(arguments) {}

    // False when the line is refused or answered (help, version).
    bool readAll(Options& o) {
        for (m_at = 0; m_at < m_args.size(); ++m_at) {
            const QString& arg = m_args.at(m_at);
            if (arg.size() < 2 || !arg.startsWith(u'-') || arg == QLatin1String("--"))
                return refuse(o, QStringLiteral("unexpected argument '%1'").arg(arg));
            if (!readOption(arg, o))
                return false;
        }
        return true;
    }

    // The modes named, and the options seen that belong to one of them.
    bool join = false, list = false, server = false;
    bool nameGiven = false, lanGiven = false, portGiven = false, storeGiven = false,
         relayGiven = false;

private:
    bool readOption(const QString& arg, Options& o) {
        const QString name = qtoptions::optionName(arg);
        const bool ours = arg.startsWith(QLatin1String("--"));
        const bool bare = !arg.contains(u'=');
        if (answered(arg, o))
            return false;
        if (ours && bare && name == QLatin1String("list"))
            return list = true;
        if (ours && bare && name == QLatin1String("lan"))
            return lanGiven = o.lan = true;
        if (ours && bare && name == QLatin1String("server"))
            return server = true;
        if (ours && name == QLatin1String("lobby"))
            return readService(arg, o);
        if (ours && name == QLatin1String("join"))
            return readJoin(arg, o);
        if (ours && name == QLatin1String("name"))
            return readName(arg, o);
        if (ours && name == QLatin1String("port"))
            return readServerPort(arg, o);
        if (ours && name == QLatin1String("relay-address")) {
            const std::optional<QString> text = value(arg);
            const auto where =
                text ? lobbywire::parseHostPort(*text, 0) : std::optional<lobbywire::HostPort>();
            if (!where)
                return refuse(o, QStringLiteral("option --relay-address needs HOST or HOST:PORT"));
            o.relayAddress = where;
            return relayGiven = true;
        }
        if (ours && name == QLatin1String("store")) {
            const std::optional<QString> text = value(arg);
            if (!text || text->isEmpty())
                return refuse(o, QStringLiteral("option --store needs redis://HOST:PORT"));
            o.store = *text;
            return storeGiven = true;
        }
        return readQtOption(arg, name, o);
    }

    bool readService(const QString& arg, Options& o) {
        const std::optional<QString> text = value(arg);
        if (!text)
            return refuse(o, QStringLiteral("option --lobby needs HOST:PORT"));
        const auto instances = lobbywire::parseHostPortList(*text, lobbywire::kDefaultServicePort);
        if (!instances)
            return refuse(o, QStringLiteral("bad lobby service '%1': give HOST or HOST:PORT with "
                                            "a port from 1 to 65535, several separated by commas")
                                 .arg(*text));
        o.service = instances->first();
        o.alternates = instances->mid(1);
        return true;
    }

    bool readJoin(const QString& arg, Options& o) {
        const std::optional<QString> text = value(arg);
        if (!text)
            return refuse(o, QStringLiteral("option --join needs an invite code or HOST[:PORT]"));
        const std::optional<gameargs::JoinTarget> target = gameargs::readJoinTarget(*text);
        if (!target)
            return refuse(o, QStringLiteral("bad table '%1': give an invite code (+K7Q2-M9XD) or "
                                            "HOST[:PORT]")
                                 .arg(*text));
        o.join = *target;
        return join = true;
    }

    bool readName(const QString& arg, Options& o) {
        const std::optional<QString> text = value(arg);
        if (!text)
            return refuse(o, QStringLiteral("option --name needs a name"));
        o.name = lobbywire::cleanName(*text, lobbywire::kMaxNameChars);
        if (o.name.isEmpty())
            return refuse(
                o, QStringLiteral("bad name '%1': a name needs a letter or a digit").arg(*text));
        return nameGiven = true;
    }

    bool readServerPort(const QString& arg, Options& o) {
        const std::optional<QString> text = value(arg);
        if (!text)
            return refuse(o, QStringLiteral("option --port needs a port number"));
        o.port = lobbywire::parsePort(*text);
        if (!o.port)
            return refuse(
                o, QStringLiteral("bad port '%1': give a number from 1 to 65535").arg(*text));
        return portGiven = true;
    }
};

} // namespace

Options parse(const QStringList& arguments) {
    constexpr auto refused = cmdline::refused<Options>;
    Options o;
    Reader r(arguments);
    if (!r.readAll(o))
        return o;
    if (int(r.join) + int(r.list) + int(r.server) > 1)
        return refused(QStringLiteral("--join, --list and --server go one at a time"));
    if (r.join && !r.nameGiven)
        return refused(QStringLiteral("--join needs --name NAME"));
    if (r.nameGiven && !r.join)
        return refused(QStringLiteral("--name belongs to --join"));
    if (r.lanGiven && !r.list)
        return refused(QStringLiteral("--lan belongs to --list"));
    if ((r.portGiven || r.storeGiven || r.relayGiven) && !r.server)
        return refused(QStringLiteral("--port, --store and --relay-address belong to --server"));
    if (r.server && o.service)
        return refused(QStringLiteral("--lobby does not go with --server"));
    if (r.join)
        o.action = Action::Join;
    else if (r.list)
        o.action = Action::List;
    else if (r.server)
        o.action = Action::Server;
    return o;
}

QString usage() {
    return QStringLiteral(
        "Usage: kestrunlobby [--lobby HOST:PORT]\n"
        "       kestrunlobby --join CODE|HOST[:PORT] --name NAME [--lobby HOST:PORT]\n"
        "       kestrunlobby --list [--lan] [--lobby HOST:PORT]\n"
        "       kestrunlobby --server [--port N] [--store redis://HOST:PORT]\n"
        "                             [--relay-address HOST[:PORT]]\n"
        "       kestrunlobby --help | --version\n"
        "\n"
        "Without options: the lobby's window, where players find tables, host and chat.\n"
        "  --lobby HOST:PORT  the lobby service to use (default: the setting \"Service\",\n"
        "                     else lobby.kestrun.com:7780); several instances of one\n"
        "                     service separated by commas, tried in turn\n"
        "  --join TABLE       start Vorlix joined to a table, by invite code (+K7Q2-M9XD)\n"
        "                     or address (HOST or HOST:PORT; port 7772 by default)\n"
        "  --name NAME        the player's name, for --join\n"
        "  --list             print the tables the service lists, one a line: code,\n"
        "                     table name, seated, spies, state, version (TAB-separated)\n"
        "  --lan              with --list: the tables on this network instead\n"
        "  --server           run the lobby service without a window\n"
        "  --port N           the service's TCP port (default 7780)\n"
        "  --store URL        share the service's state through Redis (redis://HOST:PORT)\n"
        "  --relay-address HOST[:PORT]\n"
        "                     where players reach this instance's relay (default: the\n"
        "                     address and port each table's host reached it at)\n"
        "  -h, --help         print this help and exit\n"
        "  --version          print the version and exit\n");
}

QString versionLine() {
    return QStringLiteral("Kestrun Lobby ") + QLatin1String(wire::kVersion);
}

} // namespace lobbycli
