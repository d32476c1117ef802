// SPDX-License-Identifier: GPL-3.0-or-later
#include "singleinstance.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QUuid>

#include <gtest/gtest.h>

#include "wine.h"

#include <cstring>

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

QString uniqueName() {
    return QStringLiteral("NurtsekTest") + QUuid::createUuid().toString(QUuid::Id128);
}

} // namespace

TEST(SingleInstance, FirstCopyClaimsAndSecondAsksItToComeForward) {
    // Both copies share one thread here, so the second has hung up before the
    // first accepts it.
    SKIP_UNDER_WINE(
        "Wine drops what a named-pipe client wrote once it hangs up before the server accepted it");
    const QString name = uniqueName();
    SingleInstance first(name);
    QSignalSpy raised(&first, &SingleInstance::raiseRequested);
    ASSERT_TRUE(first.claim());

    SingleInstance second(name);
    EXPECT_FALSE(second.claim());
    ASSERT_TRUE(raised.wait(5000));
    EXPECT_EQ(raised.count(), 1);

    SingleInstance third(name);
    EXPECT_FALSE(third.claim());
    EXPECT_TRUE(raised.wait(5000));
    EXPECT_EQ(raised.count(), 2);
}

TEST(SingleInstance, StaleNameLeftByACrashedCopyIsTakenOver) {
#ifdef _WIN32
    GTEST_SKIP() << "a named pipe ends with the process that made it: Windows leaves no stale name";
#else
    const QString name = uniqueName();
    const QByteArray path = QDir(QDir::tempPath()).filePath(name).toLocal8Bit();
    {
        // A copy that crashed while listening leaves its bound socket file behind.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        ASSERT_LT(size_t(path.size()), sizeof(addr.sun_path));
        std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
        ASSERT_EQ(::listen(fd, 1), 0);
        ::close(fd);
        ASSERT_TRUE(QFile::exists(QString::fromLocal8Bit(path)));
    }
    SingleInstance fresh(name);
    QSignalSpy raised(&fresh, &SingleInstance::raiseRequested);
    EXPECT_TRUE(fresh.claim());
    SingleInstance later(name);
    EXPECT_FALSE(later.claim());
    EXPECT_TRUE(raised.wait(5000));
#endif
}

TEST(SingleInstance, DefaultNameCarriesUserAndDesktop) {
    qputenv("DISPLAY", ":57");
    qputenv("USER", "tester");
    EXPECT_EQ(SingleInstance::defaultName(), "Nurtsektester_57");
    qunsetenv("DISPLAY");
    qputenv("WAYLAND_DISPLAY", "wayland-1");
    EXPECT_EQ(SingleInstance::defaultName(), "Nurtsektesterwayland-1");
}
