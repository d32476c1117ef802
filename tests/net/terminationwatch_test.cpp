// SPDX-License-Identifier: GPL-3.0-or-later
#include "terminationwatch.h"
#include "wine.h"

#include <QSignalSpy>

#include <csignal>
#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#endif

#ifdef _WIN32
TEST(TerminationWatch, AConsoleInterruptArrivesOnTheEventLoop) {
    SKIP_UNDER_WINE("a console event sent to the process's own group never reaches its handler");
    TerminationWatch watch;
    ASSERT_TRUE(watch.install());
    QSignalSpy requested(&watch, &TerminationWatch::terminationRequested);
    if (!::GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
        GTEST_SKIP() << "this process has no console to send Ctrl+C to";
    ASSERT_TRUE(requested.wait(5000));
    EXPECT_EQ(requested.takeFirst().at(0).toInt(), SIGINT);
}
#else
TEST(TerminationWatch, ATerminationSignalArrivesOnTheEventLoop) {
    TerminationWatch watch;
    ASSERT_TRUE(watch.install());
    QSignalSpy requested(&watch, &TerminationWatch::terminationRequested);
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(requested.wait(5000));
    EXPECT_EQ(requested.takeFirst().at(0).toInt(), SIGTERM);
    ASSERT_EQ(std::raise(SIGHUP), 0);
    ASSERT_TRUE(requested.wait(5000));
    EXPECT_EQ(requested.takeFirst().at(0).toInt(), SIGHUP);
}
#endif
