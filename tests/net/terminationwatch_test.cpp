#include "terminationwatch.h"

#include <QSignalSpy>

#include <csignal>
#include <gtest/gtest.h>

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
