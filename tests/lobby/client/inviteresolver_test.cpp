// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeservice.h"
#include "inviteresolver.h"
#include "version.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace lobbytest;
using namespace lobbywire;

namespace {

// Answers RESOLVE: FOUND for +K7Q2-M9XD, UNKNOWN for any other code.
void answerResolve(FakeService& service) {
    service.onLine = [&service](int peer, const Message& m) {
        const auto code = readResolve(m);
        if (!code)
            return;
        if (*code == "+K7Q2-M9XD")
            service.send(peer, found({*code, "2001:db8::7", 7001, wire::kVersion, "Friday", "Ann",
                                      Way::Relay, "lobby.example", 7780}));
        else
            service.send(peer, unknown(*code));
    };
}

struct Outcome {
    QSignalSpy resolved;
    QSignalSpy failed;
    explicit Outcome(InviteResolver& r)
        : resolved(&r, &InviteResolver::resolved), failed(&r, &InviteResolver::failed) {}
    bool wait() {
        return waitUntil([&] { return resolved.count() + failed.count() > 0; });
    }
};

} // namespace

TEST(InviteResolver, FoundAndUnknown) {
    FakeService service;
    answerResolve(service);
    InviteResolver resolver(service.hostPort(), QStringLiteral("vorlix"),
                            QLatin1String(wire::kVersion));
    Outcome outcome(resolver);
    resolver.resolve(QStringLiteral(" k7q2-m9xd ")); // no "+", any case
    EXPECT_EQ(outcome.resolved.count() + outcome.failed.count(), 0);
    ASSERT_TRUE(outcome.wait());
    ASSERT_EQ(outcome.resolved.count(), 1);
    const auto f = outcome.resolved.at(0).at(0).value<Found>();
    EXPECT_EQ(f.address, "2001:db8::7");
    EXPECT_EQ(f.port, 7001);
    EXPECT_EQ(service.linesNamed(0, "RESOLVE"), QList<QByteArray>{"RESOLVE\t+K7Q2-M9XD"});
    EXPECT_TRUE(waitUntil([&] { return service.peer(0).ended; })); // closed once answered

    resolver.resolve(QStringLiteral("+2222-3333"));
    ASSERT_TRUE(waitUntil([&] { return outcome.failed.count() == 1; }));
    EXPECT_EQ(outcome.failed.at(0).at(0).toString(), "No table has the invite code +2222-3333.");
    EXPECT_TRUE(outcome.failed.at(0).at(1).toBool());
    settle(200);
    EXPECT_EQ(outcome.resolved.count() + outcome.failed.count(), 2); // never both
}

TEST(InviteResolver, UnreachableTimeoutAndNotACode) {
    const quint16 closed = closedPort();
    InviteResolver unreachable({QStringLiteral("127.0.0.1"), closed}, QStringLiteral("vorlix"),
                               QLatin1String(wire::kVersion));
    Outcome a(unreachable);
    unreachable.resolve(QStringLiteral("+K7Q2-M9XD"));
    ASSERT_TRUE(a.wait());
    ASSERT_EQ(a.failed.count(), 1);
    EXPECT_TRUE(a.failed.at(0).at(0).toString().contains("can't be reached: Connection refused"));
    EXPECT_FALSE(a.failed.at(0).at(1).toBool());

    FakeService silent; // welcomes, never answers RESOLVE
    InviteResolver slow(silent.hostPort(), QStringLiteral("vorlix"), QLatin1String(wire::kVersion));
    slow.timeoutMs = 300;
    Outcome b(slow);
    slow.resolve(QStringLiteral("+K7Q2-M9XD"));
    ASSERT_TRUE(b.wait());
    EXPECT_EQ(b.failed.at(0).at(0).toString(),
              QStringLiteral("The lobby service at 127.0.0.1:%1 did not answer within 0.3 s.")
                  .arg(silent.port()));

    Outcome c(slow);
    slow.resolve(QStringLiteral("lobby.example.org"));
    EXPECT_EQ(c.failed.count(), 0); // from the event loop
    ASSERT_TRUE(c.wait());
    EXPECT_FALSE(c.failed.at(0).at(1).toBool());
    EXPECT_EQ(silent.peers(), 1); // nobody asked for a text that is no code
}

// Several instances of the service: one that can't be reached or does not
// answer passes the question on; their store is shared, so an instance's
// "unknown" is the answer and nobody else is asked.
TEST(InviteResolver, AsksTheNextInstanceOnlyWhenOneCantAnswer) {
    FakeService silent, answering, third;
    answerResolve(answering);
    InviteResolver resolver({QStringLiteral("127.0.0.1"), closedPort()}, QStringLiteral("vorlix"),
                            QLatin1String(wire::kVersion));
    resolver.alternates = {silent.hostPort(), answering.hostPort(), third.hostPort()};
    resolver.timeoutMs = 300;
    Outcome found(resolver);
    resolver.resolve(QStringLiteral("+K7Q2-M9XD"));
    ASSERT_TRUE(found.wait());
    ASSERT_EQ(found.resolved.count(), 1) << found.failed.value(0).value(0).toString().toStdString();
    EXPECT_EQ(found.resolved.at(0).at(0).value<Found>().relayHost, "lobby.example");
    EXPECT_EQ(silent.linesNamed(0, "RESOLVE"), QList<QByteArray>{"RESOLVE\t+K7Q2-M9XD"});
    EXPECT_EQ(third.peers(), 0);

    Outcome unknownCode(resolver);
    resolver.resolve(QStringLiteral("+2222-3333"));
    ASSERT_TRUE(unknownCode.wait());
    EXPECT_TRUE(unknownCode.failed.at(0).at(1).toBool());
    EXPECT_EQ(third.peers(), 0);

    // None answers: the last one's failure is told.
    resolver.alternates = {silent.hostPort()};
    Outcome none(resolver);
    resolver.resolve(QStringLiteral("+K7Q2-M9XD"));
    ASSERT_TRUE(none.wait());
    EXPECT_EQ(none.failed.at(0).at(0).toString(),
              QStringLiteral("The lobby service at 127.0.0.1:%1 did not answer within 0.3 s.")
                  .arg(silent.port()));
}
