// SPDX-License-Identifier: GPL-3.0-or-later
// Names: report kinds, Windows Sockets error names and numbers, host and port
// look-up, and a report handler that raises.

#include "netsupport.h"
#include "sysock.h"

#include <cerrno>
#include <gtest/gtest.h>

using namespace nettest;

TEST(TSockNames, ReportKindsInOrder) {
    const QStringList names = {"Lookup",  "Connect", "Close",  "Listen",
                               "Receive", "Send",    "Accept", "Error"};
    for (int i = 0; i < names.size(); ++i) {
        EXPECT_EQ(socketInfoName(static_cast<TSocketInfo>(i)), names[i]);
    }
}

TEST(TSockNames, ErrorNamesAndUnknownNumbers) {
    EXPECT_EQ(TSock::errorName(10004), QStringLiteral("WSAEINTR"));
    EXPECT_EQ(TSock::errorName(10048), QStringLiteral("WSAEADDRINUSE"));
    EXPECT_EQ(TSock::errorName(10054), QStringLiteral("WSAECONNRESET"));
    EXPECT_EQ(TSock::errorName(10061), QStringLiteral("WSAECONNREFUSED"));
    EXPECT_EQ(TSock::errorName(10101), QStringLiteral("WSAEDISCON"));
    EXPECT_EQ(TSock::errorName(11001), QStringLiteral("WSAHOST_NOT_FOUND"));
    EXPECT_EQ(TSock::errorName(11004), QStringLiteral("WSANO_DATA"));
    for (int unlisted : {0, -1, 10000, 10001, 10072, 10090, 10100, 11000, 11005, 20111}) {
        EXPECT_EQ(TSock::errorName(unlisted), QStringLiteral("UNKNOWN ERROR")) << unlisted;
    }
}

TEST(TSockNames, ErrnoValuesMapToWindowsNumbers) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows reports the Windows Sockets numbers themselves";
#else
    EXPECT_EQ(sysock::wsaFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(sysock::wsaFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(sysock::wsaFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(sysock::wsaFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(sysock::wsaFromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(sysock::wsaFromErrno(ECONNABORTED), 10053);
    EXPECT_EQ(sysock::wsaFromErrno(EPIPE), 10058);
    EXPECT_EQ(sysock::wsaFromErrno(EADDRINUSE), 10048);
    EXPECT_EQ(sysock::wsaFromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(sysock::wsaFromErrno(EINPROGRESS), 10036);
    EXPECT_EQ(sysock::wsaFromErrno(ENOTCONN), 10057);
    EXPECT_EQ(sysock::wsaFromErrno(ENOENT), 0);
    EXPECT_EQ(sysock::wsaFromErrno(0), 0);
#endif
}

TEST(TSockLookup, HostNamesAreResolvedOncePerProcessInAnyCase) {
    ResolverGuard guard;
    TSock::clearHostCache();
    QStringList asked;
    TSock::setHostResolver([&](const QString& name) -> std::optional<std::uint32_t> {
        asked << name;
        return htonl(INADDR_LOOPBACK);
    });
    RawSocket server = RawSocket::listener();
    TSock client;
    Recorder rec;
    rec.attach(client);
    client.setPortName(QString::number(server.port()));
    client.setHostName(QStringLiteral("GameHost.Example"));
    client.Open();
    ASSERT_TRUE(waitUntil([&] { return client.connected(); })); // the address was used
    client.Close();

    client.setHostName(QStringLiteral("gamehost.EXAMPLE"));
    client.Open();
    client.Close();
    // Other instances share the cache.
    TSock other;
    other.setPortName(QString::number(server.port()));
    other.setHostName(QStringLiteral("GAMEHOST.example"));
    other.Open();
    EXPECT_EQ(asked, QStringList({QStringLiteral("GameHost.Example")}));
    EXPECT_TRUE(rec.has(QStringLiteral("Lookup: Lookup Of Host gamehost.EXAMPLE")));

    // A name that begins with a digit is a dotted address, never resolved.
    TSock numeric;
    numeric.setPortName(QString::number(server.port()));
    numeric.setHostName(QStringLiteral("127.0.0.1"));
    numeric.Open();
    ASSERT_TRUE(waitUntil([&] { return numeric.connected(); }));
    EXPECT_EQ(asked.size(), 1);

    // Clean-up at the end of the process discards the cache.
    TSock::cleanup();
    TSock later;
    later.setPortName(QString::number(server.port()));
    later.setHostName(QStringLiteral("gamehost.example"));
    later.Open();
    EXPECT_EQ(asked.size(), 2);
}

TEST(TSockLookup, UnknownHostRaisesAndLeavesTheInstanceIdle) {
    ResolverGuard guard;
    TSock::clearHostCache();
    int calls = 0;
    TSock::setHostResolver([&](const QString&) -> std::optional<std::uint32_t> {
        ++calls;
        return std::nullopt;
    });
    TSock client;
    client.setPortName(QStringLiteral("17001"));
    client.setHostName(QStringLiteral("nowhere.invalid"));
    try {
        client.Open();
        FAIL() << "expected a raise";
    } catch (const ESockException& e) {
        EXPECT_STREQ(e.what(), "Host Lookup - Could Not Find Host Entry");
    }
    EXPECT_FALSE(client.hasSocket());
    // Failures are not cached: the next attempt asks again.
    EXPECT_THROW(client.Open(), ESockException);
    EXPECT_EQ(calls, 2);
}

TEST(TSockLookup, PortNames) {
    TSock client;
    Recorder rec;
    rec.attach(client);
    client.setHostName(QStringLiteral("127.0.0.1"));

    client.setPortName(QStringLiteral("no-such-service-here"));
    try {
        client.Open();
        FAIL() << "expected a raise";
    } catch (const ESockException& e) {
        EXPECT_STREQ(e.what(), "Port Lookup - Could Not Find Service Entry");
    }
    EXPECT_EQ(rec.lines,
              QStringList({QStringLiteral("Lookup: Lookup Of Port no-such-service-here")}));
    EXPECT_FALSE(client.hasSocket());

    client.setPortName(QString());
    EXPECT_THROW(client.Open(), ESockException);

    client.setPortName(QStringLiteral("77x2"));
    try {
        client.Open();
        FAIL() << "expected a conversion error";
    } catch (const ESockConvertError& e) {
        EXPECT_STREQ(e.what(), "'77x2' is not a valid integer value");
    }
    EXPECT_FALSE(client.hasSocket());

    // Only the low 16 bits of a number count.
    RawSocket server = RawSocket::listener();
    client.setPortName(QString::number(65536 + server.port()));
    client.Open();
    EXPECT_TRUE(server.accept().valid());
}

TEST(TSockLookup, ServiceNamesComeFromTheServicesDatabase) {
    if (!getservbyname("http", "tcp")) {
        GTEST_SKIP() << "no services database on this machine";
    }
    ResolverGuard guard;
    TSock::clearHostCache();
    TSock::setHostResolver([](const QString&) { return std::optional<std::uint32_t>(); });
    TSock client;
    client.setPortName(QStringLiteral("http"));
    client.setHostName(QStringLiteral("unknown.invalid"));
    // The service is found (the port is looked up first), so the host fails next
    // and nothing is ever connected.
    try {
        client.Open();
        FAIL() << "expected a raise";
    } catch (const ESockException& e) {
        EXPECT_STREQ(e.what(), "Host Lookup - Could Not Find Host Entry");
    }
}

TEST(TSockInfo, ARaisingReportHandlerBecomesErrorHere) {
    TSock s;
    s.OnInfo = [](TSock*, TSocketInfo, const QString&) { throw std::runtime_error("boom"); };
    s.setPortName(QStringLiteral("17002"));
    try {
        s.Open();
        FAIL() << "expected a raise";
    } catch (const ESockException& e) {
        EXPECT_STREQ(e.what(), "Error here");
    }
    EXPECT_FALSE(s.hasSocket());
    // Close swallows it.
    EXPECT_NO_THROW(s.Close());
    try {
        s.setListen(false);
        FAIL() << "expected a raise";
    } catch (const ESockException& e) {
        EXPECT_STREQ(e.what(), "Error here");
    }
}
