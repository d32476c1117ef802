// SPDX-License-Identifier: GPL-3.0-or-later
// The tally file through the real compression component.
#include "tallytestsupport.h"
#include "tlzrw1.h"
#include "ttallylist.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>

#include <gtest/gtest.h>

namespace {

class TallyFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("work"));
        tallyPath = root.filePath(QStringLiteral("Vorlixtally.tld"));
        scratch = root.filePath(QStringLiteral("work"));
    }

    std::unique_ptr<Ttallylist> open() {
        auto tally =
            std::make_unique<Ttallylist>(nullptr, tallyPath, scratch, TallyFileCodec::lzrw1(),
                                         [this](const QString& message) { errors << message; });
        Ttallylist* window = tally.get();
        tally->loadchecklist = [this, window] { table.fill(*window); };
        return tally;
    }

    QByteArray unpacked() {
        const QString out = root.filePath(QStringLiteral("unpacked.txt"));
        Tlzrw1 doit;
        doit.InputFile = QFile::encodeName(tallyPath).toStdString();
        doit.OutputFile = QFile::encodeName(out).toStdString();
        doit.Decompress();
        return readAll(out);
    }

    QTemporaryDir root;
    QString tallyPath;
    QString scratch;
    Table table;
    QStringList errors;
};

} // namespace

TEST_F(TallyFile, FirstGameIsStoredAsCompressedGridText) {
    table.players = {QStringLiteral("Bob")};
    {
        auto tally = open();
        table.fill(*tally);
        tally->checklistClickCheck(0);
        tally->addgame(TallyWinner::me());
    }
    EXPECT_EQ(readAll(tallyPath).left(4), QByteArray("WRZL"));
    const QByteArray expected = "9\r\n2\r\n0\r\nBob\r\n1\r\n1\r\n1\r\n0\r\n0\r\n1\r\n0\r\n0\r\n"
                                "0\r\n1\r\n0\r\n0\r\n0\r\n1\r\n0\r\n0\r\n";
    EXPECT_EQ(unpacked(), expected);
    EXPECT_FALSE(QFileInfo::exists(QDir(scratch).filePath(QStringLiteral("temp.txt"))));

    // And it loads again, session figures restarted.
    auto tally = open();
    EXPECT_TRUE(errors.isEmpty());
    ASSERT_EQ(followedListOf(*tally)->count(), 1);
    EXPECT_EQ(tally->mylabel(2), QStringLiteral("1"));
    EXPECT_EQ(tally->grid().cell(3, 1), QStringLiteral("1"));
    EXPECT_EQ(tally->grid().cell(7, 1), QStringLiteral("0"));
}

TEST_F(TallyFile, FileWithoutAValidHeaderIsReportedAndReplacedAtTheNextSave) {
    writeAll(tallyPath, "this is not a tally file");
    {
        auto tally = open();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_EQ(errors[0],
                  tallyPath + " : Lzrw1 decompression : this file has no valid header !");
        EXPECT_EQ(tally->grid().rowCount(), 1);
        EXPECT_FALSE(QFileInfo::exists(QDir(scratch).filePath(QStringLiteral("temp.txt"))));
    }
    EXPECT_EQ(unpacked(), QByteArray("9\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"));
}

TEST_F(TallyFile, TruncatedFileStartsEmpty) {
    {
        auto tally = open();
        tally->addtomineincrease(4);
    }
    const QByteArray whole = readAll(tallyPath);
    writeAll(tallyPath, whole.left(whole.size() - 3));
    auto tally = open();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_EQ(tally->mylabel(4), QStringLiteral("0"));
}
