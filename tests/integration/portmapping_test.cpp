// SPDX-License-Identifier: GPL-3.0-or-later
// Port forwarding through a home router, for real: Debian's miniupnpd runs
// in a router namespace between a home and the internet (netns.h's
// HomeNetwork), a PortMapper runs at home in portmap_tool, and whether a port
// is forwarded is proven by connecting from the internet to the router's
// public address and reaching a listener at home. Needs the privilege to
// make namespaces (root); skipped, saying so, without it.

#include "netns.h"

#include <gtest/gtest.h>

#include <ostream>

// Failures print text, not QChar bytes.
void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

using Router = netns::HomeNetwork::Router;

constexpr quint16 kGamePort = 7772; // inside the namespaces: nobody else's
constexpr char kPublic[] = "203.0.113.1";

// One event portmap_tool reported, split into its fields.
struct Event {
    QString name;
    int ms = -1; // since the last start, or the destructor's time
    QStringList rest;
};

// portmap_tool at home, ended (SIGKILL at the latest) with the test.
class Mapper {
public:
    Mapper(netns::HomeNetwork& net, const QString& home, int leaseSeconds = 3600)
        : m_process(net.start(home, QStringLiteral(PORTMAP_TOOL),
                              {QString::number(kGamePort), QString::number(leaseSeconds)})) {}

    // The next event named `name` (any when empty) within `ms`; an empty
    // name when none came.
    Event next(const QString& name = {}, int ms = 15'000) {
        const QDeadlineTimer deadline(ms);
        for (;;) {
            m_process->drain();
            const qsizetype end = m_process->seen.indexOf(QLatin1Char('\n'), m_read);
            if (end >= 0) {
                const QStringList fields =
                    m_process->seen.mid(m_read, end - m_read).split(QLatin1Char('\t'));
                m_read = end + 1;
                if (name.isEmpty() || fields.value(0) == name)
                    return {fields[0], fields.value(1).toInt(), fields.mid(2)};
                continue;
            }
            if (deadline.hasExpired() || m_process->state() == QProcess::NotRunning)
                return {};
            m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }
    void tell(const char* command) {
        m_process->write(QByteArray(command) + '\n');
        m_process->waitForBytesWritten(5000);
    }
    netns::Process& process() { return *m_process; }
    std::string output() const { return m_process->seen.toStdString(); }

private:
    netns::Process* m_process;
    qsizetype m_read = 0;
};

// method, public address, external port, lease
QStringList mapping(const char* method, quint16 port, int lease) {
    return {QString::fromLatin1(method), QString::fromLatin1(kPublic), QString::number(port),
            QString::number(lease)};
}

#define NEEDS_NAMESPACES()                                                                         \
    if (!netns::allowed())                                                                         \
    GTEST_SKIP() << "network namespaces can't be made here (needs root): not tested"

} // namespace

TEST(PortMapping, UpnpForwardsThePortUntilStoppedOrDestroyed) {
    NEEDS_NAMESPACES();
    netns::HomeNetwork net(QStringLiteral(NETNS_TOOL));
    ASSERT_TRUE(net.build(Router::UpnpAndNatPmp)) << net.error.toStdString();
    EXPECT_FALSE(net.forwarded(kGamePort, kGamePort)) << "forwarded before anyone asked";

    Mapper mapper(net, net.home());
    Event made = mapper.next("mapped");
    ASSERT_EQ(made.rest, mapping("UPnP IGD", kGamePort, 3600)) << mapper.output();
    EXPECT_LT(made.ms, 3000);
    QString why;
    EXPECT_TRUE(net.forwarded(kGamePort, kGamePort, {}, &why)) << why.toStdString();
    EXPECT_EQ(net.rulesFor(kGamePort).size(), 2) << net.routerLog().toStdString();

    mapper.tell("stop");
    ASSERT_EQ(mapper.next("stopped").name, "stopped") << mapper.output();
    EXPECT_TRUE(net.rulesFor(kGamePort).isEmpty());
    EXPECT_FALSE(net.forwarded(kGamePort, kGamePort));

    // Stopped before the router answered: nothing mapped is reported, and
    // nothing stays mapped.
    mapper.tell("start");
    mapper.tell("stop");
    EXPECT_EQ(mapper.next().name, "stopped") << mapper.output();
    EXPECT_TRUE(net.rulesFor(kGamePort).isEmpty());

    // Mapped again, then the PortMapper destroyed: removed before its
    // destructor returned, and the destructor's wait stayed within its bound.
    mapper.tell("start");
    made = mapper.next("mapped");
    ASSERT_EQ(made.rest, mapping("UPnP IGD", kGamePort, 3600)) << mapper.output();
    mapper.tell("destroy");
    const Event destroyed = mapper.next("destroyed");
    ASSERT_EQ(destroyed.name, "destroyed") << mapper.output();
    EXPECT_LE(destroyed.ms, 2000);
    EXPECT_TRUE(net.rulesFor(kGamePort).isEmpty());
    EXPECT_FALSE(net.forwarded(kGamePort, kGamePort));
}

TEST(PortMapping, NatPmpForwardsThePortAndSigtermRemovesIt) {
    NEEDS_NAMESPACES();
    netns::HomeNetwork net(QStringLiteral(NETNS_TOOL));
    ASSERT_TRUE(net.build(Router::NatPmpOnly)) << net.error.toStdString();

    Mapper mapper(net, net.home());
    const Event made = mapper.next("mapped");
    ASSERT_EQ(made.rest, mapping("NAT-PMP", kGamePort, 3600)) << mapper.output();
    EXPECT_LT(made.ms, 3000);
    QString why;
    EXPECT_TRUE(net.forwarded(kGamePort, kGamePort, {}, &why)) << why.toStdString();

    // Ended the way a desktop ends the game.
    mapper.process().terminate();
    ASSERT_TRUE(mapper.process().waitForFinished(5000));
    EXPECT_EQ(mapper.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(mapper.next("destroyed").name, "destroyed") << mapper.output();
    EXPECT_TRUE(net.rulesFor(kGamePort).isEmpty());
    EXPECT_FALSE(net.forwarded(kGamePort, kGamePort));
}

// A second machine at home holds the port first: the router forwards
// another one (an IGD of version 2 picks it, one of version 1 is asked for
// the next ports in turn, NAT-PMP assigns one), and the mapper reports the
// one it really got.
TEST(PortMapping, APortTakenAtHomeIsForwardedFromAnotherPort) {
    NEEDS_NAMESPACES();
    for (const Router mode : {Router::UpnpAndNatPmp, Router::UpnpV1AndNatPmp, Router::NatPmpOnly}) {
        const char* method = mode == Router::NatPmpOnly ? "NAT-PMP" : "UPnP IGD";
        SCOPED_TRACE(int(mode));
        netns::HomeNetwork net(QStringLiteral(NETNS_TOOL));
        ASSERT_TRUE(net.build(mode)) << net.error.toStdString();
        const QString other = net.addHome();
        ASSERT_FALSE(other.isEmpty()) << net.error.toStdString();

        Mapper first(net, other);
        ASSERT_EQ(first.next("mapped").rest, mapping(method, kGamePort, 3600)) << first.output();
        Mapper second(net, net.home());
        const Event made = second.next("mapped");
        ASSERT_EQ(made.rest.size(), 4) << second.output();
        const quint16 external = quint16(made.rest[2].toUInt());
        EXPECT_NE(external, kGamePort);
        EXPECT_EQ(made.rest, mapping(method, external, 3600));
        QString why;
        EXPECT_TRUE(net.forwarded(external, kGamePort, net.home(), &why)) << why.toStdString();
        EXPECT_TRUE(net.forwarded(kGamePort, kGamePort, other, &why)) << why.toStdString();
    }
}

TEST(PortMapping, ARouterThatDeniesOrNoRouterIsToldInPlainWords) {
    NEEDS_NAMESPACES();
    const struct {
        Router mode;
        const char* why;
    } cases[] = {
        {Router::Denied,
         "The router refused to forward port 7772: not authorized (UPnP error 606)."},
        {Router::None, "No router on this network offers port forwarding (UPnP or NAT-PMP)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        netns::HomeNetwork net(QStringLiteral(NETNS_TOOL));
        ASSERT_TRUE(net.build(c.mode)) << net.error.toStdString();
        Mapper mapper(net, net.home());
        const Event told = mapper.next("unavailable");
        EXPECT_EQ(told.rest, QStringList{QString::fromLatin1(c.why)}) << mapper.output();
        // A second for SSDP, one for NAT-PMP's answer (a router that
        // stopped answering included), and the rest to spare.
        EXPECT_LT(told.ms, 4000);
        EXPECT_TRUE(net.rulesFor(kGamePort).isEmpty());
    }
}

// A lease of 6 s renewed every 3 s outlives itself; a mapper killed without
// a word lets it lapse (so the renewals are what kept it); and a renewal the
// router no longer answers is reported lost.
TEST(PortMapping, AShortLeaseIsRenewedAndItsLossReported) {
    NEEDS_NAMESPACES();
    netns::HomeNetwork net(QStringLiteral(NETNS_TOOL));
    ASSERT_TRUE(net.build(Router::UpnpAndNatPmp)) << net.error.toStdString();
    const QString other = net.addHome();
    ASSERT_FALSE(other.isEmpty()) << net.error.toStdString();

    Mapper kept(net, net.home(), 6);
    const Event made = kept.next("mapped");
    ASSERT_EQ(made.rest, mapping("UPnP IGD", kGamePort, 6)) << kept.output();
    Mapper killed(net, other, 6);
    const Event killedMade = killed.next("mapped");
    ASSERT_EQ(killedMade.rest.value(3), "6") << killed.output();
    const quint16 killedPort = quint16(killedMade.rest.value(2).toUInt());
    killed.process().kill();

    // Renewed at 3, 6 and 9 s (a Qt timer may fire 5 % early); without the
    // renewals the lease ended at 6.
    for (int renewal = 1; renewal <= 3; ++renewal) {
        const Event again = kept.next("renewed", 10'000);
        ASSERT_EQ(again.rest, mapping("UPnP IGD", kGamePort, 6)) << kept.output();
        EXPECT_GE(again.ms - made.ms, renewal * 2850);
    }
    QString why;
    EXPECT_TRUE(net.forwarded(kGamePort, kGamePort, {}, &why)) << why.toStdString();
    EXPECT_TRUE(net.rulesFor(killedPort).isEmpty()) << "a lease nobody renewed did not lapse";

    net.stopRouter();
    kept.tell("renew");
    const Event lost = kept.next("lost");
    EXPECT_EQ(lost.rest, QStringList{"The router no longer forwards port 7772: its UPnP service "
                                     "did not answer properly."})
        << kept.output();
}
