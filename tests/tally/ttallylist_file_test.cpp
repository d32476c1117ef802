// SPDX-License-Identifier: GPL-3.0-or-later
// The tally window's file: saving, failing to save, and reading a damaged one.

#include "inttext.h"
#include "tallywindowfixture.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

#include <gtest/gtest.h>

TEST_F(TallyWindow, FailedSaveKeepsThePreviousTally) {
    table.players = {QStringLiteral("Bob")};
    {
        auto tally = open();
        follow(*tally, QStringLiteral("Bob"));
        tally->addgame(TallyWinner::me());
    }
    const QByteArray before = readAll(tallyPath);
    ASSERT_FALSE(before.isEmpty());

    auto tally = open();
    tally->addgame(TallyWinner::opponent(QStringLiteral("Bob")));
    packer.failCompress = true;
    EXPECT_FALSE(tally->save());
    EXPECT_EQ(readAll(tallyPath), before);
    EXPECT_FALSE(QFileInfo::exists(tallyPath + QStringLiteral(".new")));
    EXPECT_FALSE(QFileInfo::exists(QDir(scratch).filePath(QStringLiteral("temp.txt"))));
    // The player hears of it, with the reason, and that the old tally stays.
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0], "The tally could not be saved to " + QDir::toNativeSeparators(tallyPath) +
                             ": Lzrw1 : Error writing to output file : disk full\n"
                             "The tally saved before is kept.");

    packer.failCompress = false;
    EXPECT_TRUE(tally->save());
    EXPECT_NE(readAll(tallyPath), before);
}

TEST_F(TallyWindow, SaveIntoAMissingFolderFailsWithoutHarm) {
    tallyPath = root.filePath(QStringLiteral("gone/Vorlixtally.tld"));
    {
        auto tally = open();
        EXPECT_FALSE(tally->save());
        EXPECT_FALSE(QFileInfo::exists(QDir(scratch).filePath(QStringLiteral("temp.txt"))));
        EXPECT_EQ(errors.size(), 1);
    }
    // The save at the end, when the window goes, is reported too.
    EXPECT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors.last().startsWith("The tally could not be saved to "));
}

TEST_F(TallyWindow, RejectedTallyFileIsReportedAndTheTallyStartsEmpty) {
    writeAll(tallyPath, "NOPE this is not a tally");
    {
        auto tally = open();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_EQ(errors[0],
                  tallyPath + " : Lzrw1 decompression : this file has no valid header !");
        EXPECT_EQ(tally->grid().rowCount(), 1);
        EXPECT_EQ(tally->mylabel(1), QStringLiteral("0"));
        EXPECT_EQ(followedListOf(*tally)->count(), 0);
        EXPECT_FALSE(QFileInfo::exists(QDir(scratch).filePath(QStringLiteral("temp.txt"))));
    }
    // The next save replaced the unreadable file with a sound empty tally.
    EXPECT_EQ(storedText(), lines({"9", "1", "0", "0", "0", "0", "0", "0", "0", "0", "0"}));
}

TEST_F(TallyWindow, GridTextFailingPartWayStartsFromTheEmptyTally) {
    // Two opponents announced, the file cut after the first cells.
    writeAll(tallyPath, "PACK" + lines({"9", "3", "0", "Bob", "Carol", "4", "2"}));
    auto tally = open();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(tally->grid().rowCount(), 1);
    EXPECT_EQ(tally->grid().cell(1, 0), QStringLiteral("0"));
    EXPECT_EQ(followedListOf(*tally)->count(), 0);
    EXPECT_FALSE(QFileInfo::exists(QDir(scratch).filePath(QStringLiteral("temp.txt"))));

    // And the window goes on working in step.
    table.players = {QStringLiteral("Dave")};
    follow(*tally, QStringLiteral("Dave"));
    tally->addgame(TallyWinner::opponent(QStringLiteral("Dave")));
    EXPECT_EQ(tally->grid().cell(0, 1), QStringLiteral("Dave"));
    EXPECT_EQ(tally->grid().cell(2, 1), QStringLiteral("1"));
}

TEST_F(TallyWindow, NoScratchFolderGivenNeverTouchesTheCurrentFolder) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root.path()));
    writeAll(QStringLiteral("temp.txt"), "the user's own notes");
    writeAll(tallyPath, "PACK" + lines({"9", "1", "0", "3", "1", "20", "9", "0", "0", "0", "0"}));
    scratch.clear();
    {
        auto tally = open();
        EXPECT_EQ(tally->mylabel(1), QStringLiteral("3"));
        EXPECT_TRUE(tally->save());
    }
    EXPECT_EQ(readAll(root.filePath(QStringLiteral("temp.txt"))),
              QByteArray("the user's own notes"));
    for (const QString& used : packer.compressInputs + packer.decompressOutputs)
        EXPECT_NE(QFileInfo(used).absolutePath(), QDir(root.path()).absolutePath())
            << used.toStdString();
    QDir::setCurrent(before);
}
