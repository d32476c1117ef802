// SPDX-License-Identifier: GPL-3.0-or-later
// runLobbyService in a process of its own, as the lobby program starts it: it
// logs its start, serves, and on SIGTERM tells its clients, takes its tables
// out, logs the stop and ends with 0; a store it cannot use ends it at once.

#include "lineclient.h"
#include "redisserver.h"
#include "version.h"

#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QString helper() {
    return QStringLiteral(LOBBYSERVICE_HELPER);
}

// The port from the start line "listening on port N, ...".
quint16 startedOn(QProcess& service) {
    const QRegularExpression started(QStringLiteral("listening on port (\\d+), store "));
    QString out;
    quint16 port = 0;
    const bool ended = QTest::qWaitFor(
        [&] {
            out += QString::fromUtf8(service.readAllStandardOutput());
            const auto match = started.match(out);
            if (match.hasMatch())
                port = quint16(match.captured(1).toUInt());
            return port != 0 || service.state() == QProcess::NotRunning;
        },
        10'000);
    return ended ? port : 0;
}

} // namespace

TEST(ServiceProcess, ServesUntilTerminatedAndLogsWithUtcTimes) {
    QProcess service;
    service.start(helper(), {QStringLiteral("--port"), QStringLiteral("0"),
                             QStringLiteral("--relay-host"), QStringLiteral("relay1.example")});
    const quint16 port = startedOn(service);
    ASSERT_NE(port, 0);
    LineClient client(port);
    ASSERT_TRUE(client.hello());
    client.send(
        lobbywire::host(lobbywire::Listing::Public, 7772, wire::kVersion, "Bye\x1b[31m", "A"));
    ASSERT_TRUE(client.waitFor("HOSTED\t"));
    // Players are sent to the relay at the address it was told to give, on
    // the port it listens on.
    const QByteArray code = client.last.split('\t').value(1);
    LineClient joiner(port);
    ASSERT_TRUE(joiner.hello());
    joiner.send(lobbywire::resolve(QString::fromLatin1(code)));
    ASSERT_TRUE(joiner.waitFor("FOUND\t"));
    const auto found = lobbywire::readFound(lobbywire::split(joiner.last));
    ASSERT_TRUE(found) << joiner.last.toStdString();
    EXPECT_EQ(found->relayHost, QStringLiteral("relay1.example"));
    EXPECT_EQ(found->relayPort, port);

    service.terminate(); // SIGTERM
    ASSERT_TRUE(client.waitFor("BYE\tclosing\t"));
    ASSERT_TRUE(service.waitForFinished(10'000));
    EXPECT_EQ(service.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(service.exitCode(), 0);
    const QStringList lines = QString::fromUtf8(service.readAllStandardOutput()).split(u'\n');
    const QRegularExpression stamped(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\dZ "));
    QStringList events;
    for (const QString& line : lines) {
        if (line.isEmpty())
            continue;
        EXPECT_TRUE(stamped.match(line).hasMatch()) << line.toStdString();
        events << line.mid(21);
    }
    EXPECT_TRUE(events.contains(QStringLiteral("stopping on signal 15")));
    EXPECT_TRUE(events.filter(QStringLiteral("table gone: +"))
                    .value(0)
                    .endsWith(QStringLiteral("\"Bye [31m\" at 127.0.0.1 (service stopping)")))
        << events.join(u'\n').toStdString();
    EXPECT_EQ(events.value(events.size() - 1), QStringLiteral("stopped"));
}

TEST(ServiceProcess, AStoreItCannotUseEndsItAtOnce) {
    QProcess service;
    service.start(helper(), {QStringLiteral("--store"), QStringLiteral("mysql://x")});
    ASSERT_TRUE(service.waitForFinished(10'000));
    EXPECT_EQ(service.exitCode(), 2);
    EXPECT_TRUE(service.readAllStandardError().contains("redis://HOST:PORT"));

    RedisServer nobody; // a free port, where no Redis listens
    service.start(helper(), {QStringLiteral("--port"), QStringLiteral("0"),
                             QStringLiteral("--store"), nobody.url()});
    ASSERT_TRUE(service.waitForFinished(20'000));
    EXPECT_EQ(service.exitCode(), 1);
    const QByteArray why = service.readAllStandardError();
    EXPECT_TRUE(why.contains("error: the store " + nobody.url().toUtf8() + " cannot be reached"))
        << why.constData();
}
