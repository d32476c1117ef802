// SPDX-License-Identifier: GPL-3.0-or-later
// kestrunlobby's command line: what each line asks for, and every way a line
// is refused.

#include "lobbycommandline.h"

#include <gtest/gtest.h>

using lobbycli::Action;

namespace {

lobbycli::Options parse(const char* line) {
    return lobbycli::parse(QString::fromUtf8(line).split(u' ', Qt::SkipEmptyParts));
}

} // namespace

TEST(LobbyCommandLine, ReadsEachMode) {
    struct Case {
        const char* line;
        Action action;
    };
    const Case cases[] = {
        {"", Action::Window},
        {"--lobby 127.0.0.1:7790", Action::Window},
        {"-platform offscreen -style=fusion", Action::Window},
        {"--name Ann --join +k7q2m9xd", Action::Join},
        {"--join 10.0.0.2:7800 --lobby=l.example --name=-Ann", Action::Join},
        {"--list", Action::List},
        {"--lan --list --lobby h:1", Action::List},
        {"--server", Action::Server},
        {"--store redis://r:6379 --server --port 7790", Action::Server},
        {"--join x --help", Action::Help},
        {"-h", Action::Help},
        {"--version --nonsense", Action::Version},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parse(c.line).action, c.action)
            << c.line << ": " << parse(c.line).error.toStdString();

    const lobbycli::Options join = parse("--join 10.0.0.2:7800 --lobby=l.example --name=-Ann");
    EXPECT_EQ(join.name, QStringLiteral("-Ann"));
    EXPECT_FALSE(join.join.isCode());
    EXPECT_EQ(join.join.address, (lobbywire::HostPort{QStringLiteral("10.0.0.2"), 7800}));
    EXPECT_EQ(join.service, (lobbywire::HostPort{QStringLiteral("l.example"), 7780}));
    EXPECT_EQ(parse("--name Ann --join +k7q2m9xd").join.code, QStringLiteral("+K7Q2-M9XD"));
    EXPECT_TRUE(parse("--lan --list").lan);
    const lobbycli::Options server = parse("--store redis://r:6379 --server --port 7790");
    EXPECT_EQ(server.port, quint16(7790));
    EXPECT_EQ(server.store, QStringLiteral("redis://r:6379"));
    EXPECT_EQ(server.relayAddress, std::nullopt);
    EXPECT_EQ(parse("--server --relay-address=relay1.example").relayAddress,
              (lobbywire::HostPort{QStringLiteral("relay1.example"), 0}));
    EXPECT_EQ(parse("--server --relay-address 198.51.100.4:443").relayAddress,
              (lobbywire::HostPort{QStringLiteral("198.51.100.4"), 443}));
    const lobbycli::Options several = parse("--list --lobby a.example,b.example:7790");
    EXPECT_EQ(several.service, (lobbywire::HostPort{QStringLiteral("a.example"), 7780}));
    EXPECT_EQ(several.alternates,
              (QList<lobbywire::HostPort>{{QStringLiteral("b.example"), 7790}}));
    EXPECT_TRUE(parse("-platform offscreen").platformArgument);
}

TEST(LobbyCommandLine, RefusesWhatItDoesNotUnderstand) {
    struct Case {
        const char* line;
        const char* error;
    };
    const Case cases[] = {
        {"--frobnicate", "unknown option '--frobnicate'"},
        {"Ann", "unexpected argument 'Ann'"},
        {"--list --join +K7Q2-M9XD --name A", "--join, --list and --server go one at a time"},
        {"--join +K7Q2-M9XD", "--join needs --name NAME"},
        {"--join +K7Q2 --name A", "bad table '+K7Q2': give an invite code (+K7Q2-M9XD) or "
                                  "HOST[:PORT]"},
        {"--join", "option --join needs an invite code or HOST[:PORT]"},
        {"--name A", "--name belongs to --join"},
        {"--join h --name \x01", "bad name '\x01': a name needs a letter or a digit"},
        {"--lan", "--lan belongs to --list"},
        {"--port 7790", "--port, --store and --relay-address belong to --server"},
        {"--server --port 0", "bad port '0': give a number from 1 to 65535"},
        {"--server --lobby h", "--lobby does not go with --server"},
        {"--list --lobby h:70000",
         "bad lobby service 'h:70000': give HOST or HOST:PORT with a port from 1 to 65535, "
         "several separated by commas"},
        {"--relay-address 10.0.0.1", "--port, --store and --relay-address belong to --server"},
        {"--server --relay-address h:0", "option --relay-address needs HOST or HOST:PORT"},
        {"-platform", "option -platform needs a value"},
        {"--list=yes", "unknown option '--list=yes'"},
        {"--style", "option --style needs a value"},
    };
    for (const Case& c : cases) {
        const lobbycli::Options o = parse(c.line);
        EXPECT_EQ(o.action, Action::Error) << c.line;
        EXPECT_EQ(o.error, QString::fromUtf8(c.error)) << c.line;
    }
}
