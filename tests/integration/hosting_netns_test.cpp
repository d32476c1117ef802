// SPDX-License-Identifier: GPL-3.0-or-later
// Hosting a table from home, end to end, with the real programs on a network
// of namespaces (homehosting.h): the lobby service on a machine of the
// internet, a dedicated server at home behind a router that runs Debian's
// miniupnpd, and players on other machines of the internet. Where the router
// forwards the table's port, the service reaches the table from outside and
// players join it directly; where it won't or can't, they come through the
// service's relay and the table still sees each as the player's own address;
// a table that closes leaves no forwarding behind on the router; the game
// itself, given an invite code, joins the way the service says; and with two
// instances of the service over one Redis, a table outlives the one it was
// registered with.
//
// Needs the privilege to make namespaces (root); skipped, saying so, without
// it. Nothing here sends a byte outside the namespaces it makes.

#include "homehosting.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>

// Failures print text, not QChar bytes.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

using namespace homehosting;
using Router = netns::HomeNetwork::Router;

constexpr char kGamePlayer[] = "203.0.113.21";

#define NEEDS_NAMESPACES()                                                                         \
    if (!netns::allowed())                                                                         \
    GTEST_SKIP() << "network namespaces can't be made here (needs root): not tested"

Programs programs() {
    return {QStringLiteral(VORLIX_BINARY), QStringLiteral(LOBBY_BINARY), QStringLiteral(NETNS_TOOL),
            QStringLiteral(JOINER_TOOL)};
}

QString routerLine(const char* method) {
    return QStringLiteral("lobby: Your router forwards %1:%2 to your table (%3).")
        .arg(QLatin1String(kPublic))
        .arg(kGamePort)
        .arg(QLatin1String(method));
}

const QString kReachedLine =
    QStringLiteral("lobby: Players on the internet can reach your table (the table answered at "
                   "%1:%2).")
        .arg(QLatin1String(kPublic))
        .arg(kGamePort);

// Nothing listens at the router's public address and no forwarding sends the
// test on: the router's own stack turns it away.
const QString kRelayedLine =
    QStringLiteral("lobby: Players on the internet can't reach your table directly (%1:%2 "
                   "refused the connection), so they join through the lobby service's relay, "
                   "which passes the game on between you.")
        .arg(QLatin1String(kPublic))
        .arg(kGamePort);

QString testedLine(const QString& code, bool direct) {
    return QStringLiteral("table tested: %1 \"Home\" at %2 port %3: %4")
        .arg(code, QLatin1String(kPublic))
        .arg(kGamePort)
        .arg(direct ? QStringLiteral("reached directly (the table answered at %1:%2)")
                          .arg(QLatin1String(kPublic))
                          .arg(kGamePort)
                    : QStringLiteral("to be relayed (%1:%2 refused the connection)")
                          .arg(QLatin1String(kPublic))
                          .arg(kGamePort));
}

// Lines of the service's whole log that speak of the relay: the service is
// stopped first, so that every line it wrote has been read.
QStringList relayLinesOfWholeLog(netns::Process& service) {
    service.terminate();
    service.waitForFinished(10'000);
    service.drain();
    return logLines(service.seen).filter(QStringLiteral("relay: "));
}

// The game with its window (offscreen, on a desktop of its own) in a
// namespace; killed with the test, before the network goes.
class GameAt : public QProcess {
public:
    GameAt(const QString& ns, const QString& program, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // One game runs per desktop.
        env.insert(QStringLiteral("WAYLAND_DISPLAY"),
                   QStringLiteral("hosting-netns-%1").arg(QCoreApplication::applicationPid()));
        setProcessEnvironment(env);
        setProcessChannelMode(QProcess::MergedChannels);
        start(QStringLiteral("ip"), netns::Network::in(ns, program, args));
    }
    ~GameAt() override {
        kill();
        waitForFinished(10'000);
    }
};

} // namespace

// The router forwards the table's port: the service reaches the table at the
// router's public address, a player who resolves the invite code is sent
// there, joins directly and is seated as the player's own address, and the
// relay carries nothing. Also prints how long a table takes from its start
// to a code that sends players directly.
TEST(HostingFromHome, ARouterThatForwardsThePortLetsPlayersJoinDirectly) {
    NEEDS_NAMESPACES();
    HomeHosting hosting(Router::UpnpAndNatPmp, programs());
    ASSERT_TRUE(hosting.build()) << hosting.why().toStdString();
    // Connected to the service before the table starts, so that the time
    // measured is the table's, not the player's start.
    const std::unique_ptr<Player> player = hosting.player();
    ASSERT_TRUE(player->connectToService()) << player->output();

    QElapsedTimer sinceStart;
    sinceStart.start();
    netns::Process* table = hosting.startTable(true);
    const QString code = waitForMatch(*table, inviteLine());
    ASSERT_FALSE(code.isEmpty()) << hosting.tableLog();
    const std::optional<lobbywire::Found> found = player->resolve(code, "direct");
    const qint64 joinableMs = sinceStart.elapsed();
    ASSERT_TRUE(found) << player->output() << hosting.tableLog() << hosting.serviceLog();
    std::printf("[ figure   ] from the dedicated server's start to an invite code that sends "
                "players directly, behind a router that forwards by UPnP IGD: %lld ms\n",
                static_cast<long long>(joinableMs));
    std::fflush(stdout);
    EXPECT_EQ(found->address, QLatin1String(kPublic));
    EXPECT_EQ(found->port, kGamePort);
    EXPECT_EQ(found->tableName, QStringLiteral("Home"));
    EXPECT_EQ(found->relayHost, QLatin1String(kService));
    EXPECT_EQ(found->relayPort, kServicePort);

    // The table was told the router forwards its port, and then that it is
    // reached. (It registers before the router answers, so the service's
    // first test, before the forwarding, finds the relay; a result of that
    // test may still come after the router's line.)
    ASSERT_TRUE(waitForLine(*table, kReachedLine)) << hosting.tableLog();
    const QStringList log = logLines(table->seen);
    const qsizetype forwards = log.indexOf(routerLine("UPnP IGD"));
    ASSERT_GE(forwards, 0) << hosting.tableLog();
    // The service's first test, made before the router answered, is not
    // what the host is told: only the test of the forwarded port is.
    EXPECT_EQ(log.filter(QStringLiteral("lobby: Players on the internet")),
              QStringList{kReachedLine})
        << hosting.tableLog();
    EXPECT_GT(log.indexOf(kReachedLine), forwards) << hosting.tableLog();
    EXPECT_TRUE(waitForLine(*hosting.service, testedLine(code, true))) << hosting.serviceLog();
    EXPECT_EQ(hosting.net.rulesFor(kGamePort).size(), 2) << hosting.net.routerLog().toStdString();
    // The service's tests took no seat.
    EXPECT_EQ(log.filter(QStringLiteral("connect: ")), QStringList()) << hosting.tableLog();

    const QStringList seated = player->ask(
        {"direct", kPublic, QString::number(found->port), "Joy", QString::number(kWaitMs)});
    ASSERT_EQ(seated.value(0), QStringLiteral("seated")) << player->output() << hosting.tableLog();
    const QString slot = seated.value(1);
    EXPECT_TRUE(waitForLine(*table, QStringLiteral("join: slot %1 \"Joy\"").arg(slot)))
        << hosting.tableLog();
    EXPECT_EQ(logLines(table->seen).filter(QStringLiteral("connect: ")),
              QStringList{QStringLiteral("connect: %1 takes slot %2").arg(kPlayer, slot)})
        << hosting.tableLog();
    EXPECT_EQ(relayLinesOfWholeLog(*hosting.service), QStringList()) << hosting.serviceLog();
}

// The router refuses every mapping, or there is none to ask, or the settings
// keep the router out of it: the table says it can't be reached directly,
// the code sends players to the relay, and a player who comes through it is
// seated as the player's own internet address, neither the service's nor
// the router's.
TEST(HostingFromHome, WithoutAForwardedPortPlayersJoinThroughTheRelay) {
    NEEDS_NAMESPACES();
    struct Case {
        const char* what;
        Router mode;
        bool portMapping;
        QString routerSays; // the table's line about the router; empty: none
    };
    const Case cases[] = {
        {"a router that refuses", Router::Denied, true,
         QStringLiteral("lobby: The router refused to forward port %1: not authorized (UPnP "
                        "error 606). The lobby service tests whether players on the internet can "
                        "reach your table anyway.")
             .arg(kGamePort)},
        {"no router to ask", Router::None, true,
         QStringLiteral("lobby: No router on this network offers port forwarding (UPnP or "
                        "NAT-PMP). The lobby service tests whether players on the internet can "
                        "reach your table anyway.")},
        {"a willing router, and PortMapping=0", Router::UpnpAndNatPmp, false, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HomeHosting hosting(c.mode, programs());
        ASSERT_TRUE(hosting.build()) << hosting.why().toStdString();
        const std::unique_ptr<Player> player = hosting.player();
        ASSERT_TRUE(player->connectToService()) << player->output();
        netns::Process* table = hosting.startTable(c.portMapping);
        const QString code = waitForMatch(*table, inviteLine());
        ASSERT_FALSE(code.isEmpty()) << hosting.tableLog();
        const std::optional<lobbywire::Found> found = player->resolve(code, "relay");
        ASSERT_TRUE(found) << player->output() << hosting.tableLog() << hosting.serviceLog();
        EXPECT_EQ(found->address, QLatin1String(kPublic));
        EXPECT_EQ(found->port, kGamePort);
        EXPECT_EQ(found->relayHost, QLatin1String(kService));
        EXPECT_EQ(found->relayPort, kServicePort);
        EXPECT_TRUE(waitForLine(*hosting.service, testedLine(code, false))) << hosting.serviceLog();

        ASSERT_TRUE(waitForLine(*table, kRelayedLine)) << hosting.tableLog();
        if (!c.routerSays.isEmpty()) {
            EXPECT_TRUE(waitForLine(*table, c.routerSays)) << hosting.tableLog();
        }
        EXPECT_EQ(logLines(table->seen).filter(QStringLiteral("Your router")), QStringList())
            << hosting.tableLog();
        EXPECT_EQ(hosting.net.rulesFor(kGamePort), QStringList())
            << hosting.net.routerLog().toStdString();

        EXPECT_EQ(player->ask({"relay", found->relayHost, QString::number(found->relayPort), code,
                               "Rae", QString::number(kWaitMs)}),
                  (QStringList{"answer", "JOINED"}))
            << player->output() << hosting.serviceLog();
        const QStringList seated = player->next();
        ASSERT_EQ(seated.value(0), QStringLiteral("seated"))
            << player->output() << hosting.tableLog();
        const QString slot = seated.value(1);
        EXPECT_TRUE(waitForLine(*table, QStringLiteral("join: slot %1 \"Rae\"").arg(slot)))
            << hosting.tableLog();
        EXPECT_EQ(logLines(table->seen).filter(QStringLiteral("connect: ")),
                  QStringList{QStringLiteral("connect: %1 takes slot %2").arg(kPlayer, slot)})
            << hosting.tableLog();
        EXPECT_TRUE(
            waitForLine(*hosting.service, QStringLiteral("relay: %1 joined %2").arg(kPlayer, code)))
            << hosting.serviceLog();
    }
}

// A table that ends the way a desktop ends it (SIGTERM) takes its forwarding
// off the router before it exits: nothing from the internet reaches home any
// more, whichever way the port was forwarded.
TEST(HostingFromHome, TheRouterForgetsTheTablesPortWhenTheTableCloses) {
    NEEDS_NAMESPACES();
    for (const auto& [mode, method] :
         {std::pair{Router::UpnpAndNatPmp, "UPnP IGD"}, std::pair{Router::NatPmpOnly, "NAT-PMP"}}) {
        SCOPED_TRACE(method);
        HomeHosting hosting(mode, programs());
        ASSERT_TRUE(hosting.build()) << hosting.why().toStdString();
        netns::Process* table = hosting.startTable(true);
        ASSERT_TRUE(waitForLine(*table, routerLine(method))) << hosting.tableLog();
        ASSERT_TRUE(waitForLine(*table, kReachedLine)) << hosting.tableLog();
        EXPECT_EQ(hosting.net.rulesFor(kGamePort).size(), 2)
            << hosting.net.routerLog().toStdString();

        table->terminate();
        ASSERT_TRUE(table->waitForFinished(10'000)) << hosting.tableLog();
        table->drain();
        EXPECT_EQ(table->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(table->exitCode(), 0) << hosting.tableLog();
        EXPECT_TRUE(logLines(table->seen).contains(QStringLiteral("stopped")))
            << hosting.tableLog();
        EXPECT_EQ(hosting.net.rulesFor(kGamePort), QStringList())
            << hosting.net.routerLog().toStdString();
        QString why;
        EXPECT_FALSE(hosting.net.forwarded(kGamePort, kGamePort, {}, &why)) << why.toStdString();
    }
}

// The game given an invite code (NAME +CODE false) on a machine of the
// internet: it resolves the code with the service and joins the way the
// service says. The table seats it as its own address either way; which way
// it came shows in the service's log, where only a relayed player appears.
TEST(HostingFromHome, TheGameJoinsByCodeDirectlyOrThroughTheRelay) {
    NEEDS_NAMESPACES();
    for (const bool forwarded : {true, false}) {
        SCOPED_TRACE(forwarded ? "the router forwards" : "no router to ask");
        HomeHosting hosting(forwarded ? Router::UpnpAndNatPmp : Router::None, programs());
        ASSERT_TRUE(hosting.build()) << hosting.why().toStdString();
        const QString machine = hosting.net.addInternetHost(QLatin1String(kGamePlayer));
        ASSERT_FALSE(machine.isEmpty()) << hosting.net.error.toStdString();
        netns::Process* table = hosting.startTable(true);
        const QString code = waitForMatch(*table, inviteLine());
        ASSERT_FALSE(code.isEmpty()) << hosting.tableLog();
        // The game is started once the service has tested the table, so
        // that the way it is told is the one this case is about.
        ASSERT_TRUE(waitForLine(*table, forwarded ? kReachedLine : kRelayedLine))
            << hosting.tableLog();

        PrivateCopy copy(QStringLiteral(VORLIX_BINARY));
        GameAt game(machine, copy.program(),
                    {"-platform", "offscreen", "--lobby",
                     QStringLiteral("%1:%2").arg(kService).arg(kServicePort), "--", "Cy", code,
                     "false"});
        const QString slot =
            waitForMatch(*table, QRegularExpression(QStringLiteral("join: slot (\\d+) \"Cy\"")));
        ASSERT_FALSE(slot.isEmpty()) << hosting.tableLog() << game.readAll().toStdString();
        EXPECT_EQ(logLines(table->seen).filter(QStringLiteral("connect: ")),
                  QStringList{QStringLiteral("connect: %1 takes slot %2").arg(kGamePlayer, slot)})
            << hosting.tableLog();
        // Stopping the service ends a relay it holds: its "left" line too.
        const QStringList relayed = relayLinesOfWholeLog(*hosting.service);
        const QStringList expected =
            forwarded ? QStringList()
                      : QStringList{QStringLiteral("relay: %1 joined %2").arg(kGamePlayer, code),
                                    QStringLiteral("relay: %1 left %2").arg(kGamePlayer, code)};
        EXPECT_EQ(relayed, expected) << hosting.serviceLog();
    }
}

// Two instances of the service share one Redis. Whichever a player asks, the
// relayed table's entry sends the player to the relay of the instance that
// holds the table's control link. When that instance dies, the game through
// it ends as on any lost connection, the table registers with the other
// within 10 s under the same invite code, and players are sent to the
// survivor's relay.
TEST(HostingFromHome, ATableOutlivesTheInstanceOfTheServiceItWasRegisteredWith) {
    NEEDS_NAMESPACES();
    HomeHosting hosting(Router::None, programs());
    ASSERT_TRUE(hosting.build(2)) << hosting.why().toStdString();
    netns::Process* table = hosting.startTable(true);
    const QString code = waitForMatch(*table, inviteLine());
    ASSERT_FALSE(code.isEmpty()) << hosting.tableLog();
    const auto registeredAt = [&code](const char* instance) {
        return QStringLiteral("table \"Home\" registered for invitations at %1:%2, invite code %3")
            .arg(QLatin1String(instance))
            .arg(kServicePort)
            .arg(code);
    };
    EXPECT_TRUE(logLines(table->seen).contains(registeredAt(kService))) << hosting.tableLog();
    ASSERT_TRUE(waitForLine(*table, kRelayedLine)) << hosting.tableLog();

    const std::unique_ptr<Player> player = hosting.player();
    ASSERT_TRUE(player->connectToService(kService2)) << player->output();
    std::optional<lobbywire::Found> found = player->resolve(code, "relay");
    ASSERT_TRUE(found) << player->output();
    EXPECT_EQ(found->relayHost, QLatin1String(kService));
    EXPECT_EQ(found->relayPort, kServicePort);
    EXPECT_EQ(player->ask({"relay", found->relayHost, QString::number(found->relayPort), code,
                           "Rae", QString::number(kWaitMs)}),
              (QStringList{"answer", "JOINED"}))
        << player->output();
    const QString raeSlot = player->next().value(1);
    ASSERT_TRUE(waitForLine(*table, QStringLiteral("join: slot %1 \"Rae\"").arg(raeSlot)))
        << hosting.tableLog();

    QElapsedTimer sinceDeath;
    sinceDeath.start();
    hosting.service->kill();
    EXPECT_TRUE(waitForLine(*table, QStringLiteral("leave: slot %1 \"Rae\"").arg(raeSlot)))
        << hosting.tableLog();
    ASSERT_TRUE(waitForLine(*table, registeredAt(kService2))) << hosting.tableLog();
    const qint64 moved = sinceDeath.elapsed();
    EXPECT_LT(moved, 10'000);
    std::printf("registered again with the other instance %lld ms after the first died\n",
                static_cast<long long>(moved));

    found = player->resolve(code, "relay");
    ASSERT_TRUE(found) << player->output() << hosting.tableLog();
    EXPECT_EQ(found->relayHost, QLatin1String(kService2));
    EXPECT_EQ(player->ask({"relay", found->relayHost, QString::number(found->relayPort), code,
                           "Sam", QString::number(kWaitMs)}),
              (QStringList{"answer", "JOINED"}))
        << player->output();
    const QString samSlot = player->next().value(1);
    EXPECT_TRUE(waitForLine(*table, QStringLiteral("join: slot %1 \"Sam\"").arg(samSlot)))
        << hosting.tableLog();
    EXPECT_TRUE(
        waitForLine(*hosting.service2, QStringLiteral("relay: %1 joined %2").arg(kPlayer, code)));
}
