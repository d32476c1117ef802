// The command line of the dedicated server and the window's --port, read
// before any application object exists.

#include "dedicatedmain.h"

#include <gtest/gtest.h>

TEST(ServerLine, OnlyServerAsksForTheDedicatedServer) {
    EXPECT_FALSE(readServerLine({}));
    EXPECT_FALSE(readServerLine({"Tester", "10.0.0.5", "true"}));
    const std::optional<ServerLine> plain = readServerLine({"--server"});
    ASSERT_TRUE(plain);
    EXPECT_TRUE(plain->error.isEmpty());
    EXPECT_FALSE(plain->port);
    EXPECT_FALSE(plain->pause); // then the settings file decides
    EXPECT_FALSE(plain->botPace);
}

TEST(ServerLine, OptionsInAnyOrder) {
    const auto line =
        readServerLine({"--bot-speed", "slow", "--server", "--port", "7800", "--pause", "long"});
    ASSERT_TRUE(line);
    EXPECT_TRUE(line->error.isEmpty());
    EXPECT_EQ(line->port, quint16(7800));
    EXPECT_EQ(line->pause, RoundPause::Long);
    EXPECT_EQ(line->botPace, BotPace::Slow);
    EXPECT_EQ(readServerLine({"--server", "--pause", "quick"})->pause, RoundPause::Quick);
    EXPECT_EQ(readServerLine({"--server", "--bot-speed", "fast"})->botPace, BotPace::Fast);
}

TEST(ServerLine, WhatCannotBeServedIsAnError) {
    for (const QStringList& args :
         {QStringList{"--server", "--port", "0"}, QStringList{"--server", "--port", "65536"},
          QStringList{"--server", "--port"}, QStringList{"--server", "--pause", "Long"},
          QStringList{"--server", "--bot-speed", "750"}, QStringList{"--server", "Tester"}}) {
        const auto line = readServerLine(args);
        ASSERT_TRUE(line);
        EXPECT_FALSE(line->error.isEmpty()) << args.join(' ').toStdString();
    }
}

TEST(WindowPort, PortOptionIsTakenOutOfTheParameters) {
    QStringList params{"Tester", "--port", "7801", "10.0.0.5", "true"};
    EXPECT_EQ(takePortOption(params), quint16(7801));
    EXPECT_EQ(params, (QStringList{"Tester", "10.0.0.5", "true"}));
    QStringList bad{"Tester", "--port", "x"};
    EXPECT_FALSE(takePortOption(bad));
    EXPECT_EQ(bad.size(), 3);
    QStringList none{"Tester"};
    EXPECT_FALSE(takePortOption(none));
}
