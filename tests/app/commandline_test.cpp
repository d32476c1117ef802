// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"
#include "displaycheck.h"
#include "messages.h"

#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

using commandline::Action;
using commandline::parse;

namespace {

QStringList line(std::initializer_list<const char*> args) {
    QStringList out;
    for (const char* a : args)
        out << QString::fromUtf8(a);
    return out;
}

} // namespace

TEST(CommandLine, HelpAndVersionAnswerWhateverFollows) {
    EXPECT_EQ(parse(line({"--help"})).action, Action::Help);
    EXPECT_EQ(parse(line({"-h"})).action, Action::Help);
    EXPECT_EQ(parse(line({"Tester", "10.0.0.5", "true", "--help"})).action, Action::Help);
    EXPECT_EQ(parse(line({"--version", "--bogus"})).action, Action::Version);
    EXPECT_TRUE(commandline::usage().startsWith(QStringLiteral("Usage: vorlix")));
}

TEST(CommandLine, TheVersionIsTheOneTheClientSendsAtLogin) {
    EXPECT_EQ(commandline::versionLine(),
              QStringLiteral("Vorlix ") + QLatin1String(wire::kVersion));
    // The project's version, filled in when the build was configured.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))
                    .match(QLatin1String(wire::kVersion))
                    .hasMatch())
        << wire::kVersion;
}

TEST(CommandLine, UnknownOptionsAreRefused) {
    for (const auto& args :
         {line({"--bogus"}), line({"-x"}), line({"--server=1"}), line({"--help=me"}),
          line({"-port", "7000"}), line({"Tester", "host", "true", "--nope"})}) {
        const auto o = parse(args);
        EXPECT_EQ(o.action, Action::Error) << args.join(' ').toStdString();
        EXPECT_FALSE(o.error.isEmpty());
    }
    EXPECT_TRUE(parse(line({"--frobnicate"})).error.contains(QStringLiteral("--frobnicate")));
}

TEST(CommandLine, PositionalParametersKeepTheirMeaning) {
    auto o = parse({});
    EXPECT_EQ(o.action, Action::Play);
    EXPECT_TRUE(o.parameters.isEmpty());

    o = parse(line({"Tester"}));
    EXPECT_EQ(o.parameters, line({"Tester"}));
    o = parse(line({"Tester", "10.0.0.5"}));
    EXPECT_EQ(o.parameters, line({"Tester", "10.0.0.5"}));

    o = parse(line({"Tester", "10.0.0.5", "true", "fourth"}));
    EXPECT_EQ(o.action, Action::Play);
    EXPECT_EQ(o.parameters, line({"Tester", "10.0.0.5", "true", "fourth"}));
    EXPECT_FALSE(o.port);
    EXPECT_FALSE(o.joinPort);

    // "-" alone and anything after "--" are parameters, not options.
    o = parse(line({"--", "-Tester-", "host", "False"}));
    EXPECT_EQ(o.action, Action::Play);
    EXPECT_EQ(o.parameters, line({"-Tester-", "host", "False"}));
    EXPECT_EQ(parse(line({"-"})).parameters, line({"-"}));
}

TEST(CommandLine, PortIsANumberFrom1To65535) {
    auto o = parse(line({"--port", "7000", "Tester", "h", "true"}));
    EXPECT_EQ(o.action, Action::Play);
    ASSERT_TRUE(o.port);
    EXPECT_EQ(*o.port, 7000);
    EXPECT_EQ(o.parameters, line({"Tester", "h", "true"}));

    EXPECT_EQ(*parse(line({"--port=65535"})).port, 65535);
    EXPECT_EQ(*parse(line({"--port", "00080"})).port, 80);
    for (const char* bad : {"0", "65536", "-1", "+80", "80x", "", " 80", "123456", "99999"})
        EXPECT_EQ(parse(line({"--port", bad})).action, Action::Error) << bad;
    EXPECT_EQ(parse(line({"--port"})).action, Action::Error);
}

TEST(CommandLine, AJoiningHostMayCarryItsPort) {
    auto o = parse(line({"Tester", "10.0.0.5:8000", "false"}));
    EXPECT_EQ(o.action, Action::Play);
    EXPECT_EQ(o.joinHost, QStringLiteral("10.0.0.5"));
    ASSERT_TRUE(o.joinPort);
    EXPECT_EQ(*o.joinPort, 8000);
    EXPECT_EQ(o.parameters.at(1), QStringLiteral("10.0.0.5:8000"));

    o = parse(line({"Tester", "10.0.0.5", "True"}));
    EXPECT_FALSE(o.joinPort);
    EXPECT_TRUE(o.joinHost.isEmpty());

    // A hosting copy does not use HOST at all, so its form is not judged.
    EXPECT_EQ(parse(line({"Tester", "x:y", "true"})).action, Action::Play);
    // Nor is it before the third parameter says what HOST is for.
    EXPECT_EQ(parse(line({"Tester", "x:y"})).action, Action::Play);

    for (const char* bad : {"10.0.0.5:", ":8000", "10.0.0.5:0", "10.0.0.5:http", "h:70000"})
        EXPECT_EQ(parse(line({"Tester", bad, "false"})).action, Action::Error) << bad;
}

TEST(CommandLine, ServerTakesItsOwnOptionsOnly) {
    auto o = parse(line({"--server"}));
    EXPECT_EQ(o.action, Action::Server);
    EXPECT_FALSE(o.pause);
    EXPECT_FALSE(o.botSpeed);

    o = parse(line({"--pause", "long", "--server", "--bot-speed=fast", "--port", "9100"}));
    EXPECT_EQ(o.action, Action::Server);
    EXPECT_EQ(o.pause, RoundPause::Long);
    EXPECT_EQ(o.botSpeed, BotPace::Fast);
    EXPECT_EQ(*o.port, 9100);
    EXPECT_EQ(parse(line({"--server", "--pause=quick"})).pause, RoundPause::Quick);
    EXPECT_EQ(parse(line({"--server", "--bot-speed", "slow"})).botSpeed, BotPace::Slow);

    for (const auto& bad :
         {line({"--server", "--pause", "Long"}), line({"--server", "--pause"}),
          line({"--server", "--bot-speed", "12"}), line({"--server", "Tester", "h", "true"}),
          line({"--pause", "long"}), line({"--bot-speed", "fast", "T", "h", "x"})})
        EXPECT_EQ(parse(bad).action, Action::Error) << bad.join(' ').toStdString();
}

TEST(CommandLine, QtOptionsAreLeftToQApplication) {
    auto o = parse(line({"-platform", "offscreen", "-style=fusion", "-reverse", "Tester"}));
    EXPECT_EQ(o.action, Action::Play);
    EXPECT_TRUE(o.platformArgument);
    EXPECT_EQ(o.parameters, line({"Tester"}));
    EXPECT_FALSE(parse(line({"-display", ":3"})).platformArgument);
    EXPECT_EQ(parse(line({"-platform"})).action, Action::Error);
}

TEST(DisplayCheck, MessagesHeldWhileTheApplicationIsBuiltArePassedOnAfter) {
    static QStringList seen;
    seen.clear();
    const QtMessageHandler before =
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& m) {
            seen << QString::fromUtf8(context.category) + QLatin1Char(':') + m;
        });
    displaycheck::beginWatch("");
    qWarning("held back");
    const QStringList whileWatching = seen;
    displaycheck::endWatch();
    qInstallMessageHandler(before);

    EXPECT_TRUE(whileWatching.isEmpty());
    EXPECT_EQ(seen, QStringList{QStringLiteral("default:held back")});
}

TEST(ProgramIcon, EverySizeOfTheWindowIconIsBuiltIn) {
    for (int size : {32, 48, 64, 128, 256}) {
        const QImage image(QStringLiteral(":/icons/vorlix-%1.png").arg(size));
        ASSERT_FALSE(image.isNull()) << size;
        EXPECT_EQ(image.size(), QSize(size, size));
        // Drawn, not blank: the tile in front is opaque in the middle.
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size * 3 / 4)), 255) << size;
        EXPECT_EQ(qAlpha(image.pixel(0, size - 1)), 0) << size;
    }
}

TEST(CommandLine, TheLobbysOptionsStandBeforeTheParameters) {
    // What the lobby starts a host with: options first, "--", then NAME HOST MODE.
    auto o = parse(line({"--public", "Friday night", "--lobby", "lobby.example:7790", "--link-port",
                         "9050", "--", "-Ann-", "127.0.0.1", "true"}));
    EXPECT_EQ(o.action, Action::Play);
    EXPECT_EQ(o.parameters, line({"-Ann-", "127.0.0.1", "true"}));
    EXPECT_EQ(o.listing, lobbywire::Listing::Public);
    EXPECT_EQ(o.tableName, QStringLiteral("Friday night"));
    EXPECT_EQ(o.lobby, (lobbywire::HostPort{"lobby.example", 7790}));
    EXPECT_EQ(o.linkPort, 9050);

    o = parse(line({"--invite=  Quiet\tcorner ", "Ann", "h", "true"}));
    EXPECT_EQ(o.listing, lobbywire::Listing::Invite);
    EXPECT_EQ(o.tableName, QStringLiteral("Quiet corner"));
    EXPECT_EQ(parse(line({"--lobby", "[::1]", "A", "h", "true"})).lobby,
              (lobbywire::HostPort{"::1", 7780}));

    // A dedicated server lists its table the same way, but has no lobby link.
    o = parse(line({"--server", "--invite", "Club", "--lobby", "10.1.1.1"}));
    EXPECT_EQ(o.action, Action::Server);
    EXPECT_EQ(o.listing, lobbywire::Listing::Invite);

    for (const auto& bad : {
             line({"--public"}),                             // no name
             line({"--public", "", "A", "h", "true"}),       // empty name
             line({"--public", " \x01 ", "A", "h", "true"}), // nothing left once cleaned
             line({"--public", QByteArray(41, 'x').constData(), "A", "h", "true"}),
             line({"--public", "T", "--invite", "U", "A", "h", "true"}), // both
             line({"--public", "T", "A", "h", "false"}),                 // a joining copy
             line({"--invite", "T"}),                                    // a solo game
             line({"--lobby", "host:0", "A", "h", "true"}),
             line({"--lobby"}),
             line({"--link-port", "0", "A", "h", "true"}),
             line({"--server", "--link-port", "9050"}),
         })
        EXPECT_EQ(parse(bad).action, Action::Error) << bad.join(' ').toStdString();
}

TEST(CommandLine, AJoiningCopyMayBeGivenAnInviteCode) {
    auto o = parse(line({"--", "Ann", "+k7q2m9xd", "false"}));
    EXPECT_EQ(o.action, Action::Play);
    EXPECT_EQ(o.inviteCode, QStringLiteral("+K7Q2-M9XD"));
    EXPECT_FALSE(o.joinPort);
    EXPECT_EQ(parse(line({"Ann", "+K7Q2-M9XD", "no"})).inviteCode, QStringLiteral("+K7Q2-M9XD"));
    // A hosting copy ignores HOST, whatever it is.
    EXPECT_TRUE(parse(line({"Ann", "+whatever", "true"})).inviteCode.isEmpty());
    const auto bad = parse(line({"Ann", "+K7Q2-M9XO", "false"}));
    EXPECT_EQ(bad.action, Action::Error);
    EXPECT_TRUE(bad.error.contains(QStringLiteral("invite code")));
}
