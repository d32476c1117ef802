// SPDX-License-Identifier: GPL-3.0-or-later
#include "inttext.h"
#include "tallygrid.h"

#include <gtest/gtest.h>

namespace {

TallyGrid gridWithOpponent(const QString& name) {
    TallyGrid grid;
    grid.reset();
    grid.setRowCount(2);
    grid.setCell(0, 1, name);
    for (int column = 1; column <= 8; ++column)
        grid.setCell(column, 1, QString::number(column * 10));
    return grid;
}

} // namespace

TEST(TallyGrid, TextIsColumnMajorWithCountsFirst) {
    const QByteArray expected = "9\r\n2\r\n"
                                "0\r\nBob\r\n"
                                "0\r\n10\r\n0\r\n20\r\n0\r\n30\r\n0\r\n40\r\n"
                                "0\r\n50\r\n0\r\n60\r\n0\r\n70\r\n0\r\n80\r\n";
    EXPECT_EQ(gridWithOpponent(QStringLiteral("Bob")).toText(), expected);
}

TEST(TallyGrid, TextRoundTripKeepsEveryCellIncludingEmptyAndAnsiNames) {
    TallyGrid grid = gridWithOpponent(QStringLiteral("Zoë"));
    grid.setCell(7, 1, QString());
    // Control characters a name from the wire may hold, U+001A among them
    // (its byte is the one Qt marks an unwritable character with).
    grid.setCell(8, 1, QStringLiteral("a") + QChar(0x1A) + QChar(0x81) + QStringLiteral("b"));
    const QByteArray text = grid.toText();
    EXPECT_TRUE(text.contains("Zo\xEB\r\n")); // single-byte Windows-1252

    TallyGrid loaded;
    loaded.fromText(text);
    ASSERT_EQ(loaded.rowCount(), 2);
    for (int column = 0; column < 9; ++column)
        for (int row = 0; row < 2; ++row)
            EXPECT_EQ(loaded.cell(column, row), grid.cell(column, row)) << column << "," << row;

    // What the code page cannot hold is stored as "?", and only that.
    loaded.fromText(gridWithOpponent(QString(QChar(0x4E2D)) + QChar(0x1A)).toText());
    EXPECT_EQ(loaded.cell(0, 1), QStringLiteral("?") + QChar(0x1A));
}

TEST(TallyGrid, ReadsLinesEndedByLineFeedAlone) {
    TallyGrid loaded;
    loaded.fromText(QByteArray("9\n1\n0\n1\n2\n3\n4\n0\n0\n0\n0\n"));
    EXPECT_EQ(loaded.cell(1, 0), QStringLiteral("1"));
    EXPECT_EQ(loaded.cell(4, 0), QStringLiteral("4"));
}

TEST(TallyGrid, LineBreakInsideANameCannotShiftTheCells) {
    TallyGrid grid = gridWithOpponent(QStringLiteral("Bad\r\nName"));
    TallyGrid loaded;
    loaded.fromText(grid.toText());
    EXPECT_EQ(loaded.cell(0, 1), QStringLiteral("Bad  Name"));
    EXPECT_EQ(loaded.cell(1, 1), QStringLiteral("10"));
    EXPECT_EQ(loaded.cell(8, 1), QStringLiteral("80"));
}

TEST(TallyGrid, DamagedTextIsRefusedAndTheGridKept) {
    const QByteArray bad[] = {
        "",
        "9\r\n",
        "x\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n",
        "8\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n",      // wrong column count
        "9\r\n0\r\n",                                              // no rows
        "9\r\n2\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n", // cut short
        "9\r\n2000000000\r\n0\r\n",                                // absurd row count
    };
    for (const QByteArray& text : bad) {
        TallyGrid grid = gridWithOpponent(QStringLiteral("Bob"));
        EXPECT_THROW(grid.fromText(text), ETallyFileError) << text.constData();
        EXPECT_EQ(grid.rowCount(), 2);
        EXPECT_EQ(grid.cell(0, 1), QStringLiteral("Bob"));
    }
}

TEST(TallyGrid, AdditCountsWholeNumbersAndRefusesOthers) {
    TallyGrid grid = gridWithOpponent(QStringLiteral("Bob"));
    EXPECT_EQ(grid.addit(1, 1), 11);
    EXPECT_EQ(grid.cell(1, 1), QStringLiteral("11"));
    grid.setCell(2, 1, QStringLiteral("abc"));
    EXPECT_THROW(grid.addit(2, 1), wire::EConvertError);
    EXPECT_EQ(grid.cell(2, 1), QStringLiteral("abc"));
    grid.setCell(3, 1, QString());
    EXPECT_THROW(grid.addit(3, 1), wire::EConvertError);
    // A damaged file's largest count does not wrap round.
    grid.setCell(4, 1, QStringLiteral("$7FFFFFFF"));
    EXPECT_EQ(grid.addit(4, 1), 2147483647);
    EXPECT_EQ(grid.cell(4, 1), QStringLiteral("2147483647"));
    grid.setCell(5, 1, QStringLiteral("2147483646"));
    EXPECT_EQ(grid.addit(5, 1), 2147483647);
}

TEST(TallyGrid, MoverowRemovesOneOpponentAndNeverRowZero) {
    TallyGrid grid = gridWithOpponent(QStringLiteral("Bob"));
    grid.setRowCount(4);
    grid.setCell(0, 2, QStringLiteral("Carol"));
    grid.setCell(0, 3, QStringLiteral("Dave"));
    grid.setCell(5, 3, QStringLiteral("5"));
    grid.moverow(2);
    ASSERT_EQ(grid.rowCount(), 3);
    EXPECT_EQ(grid.cell(0, 1), QStringLiteral("Bob"));
    EXPECT_EQ(grid.cell(0, 2), QStringLiteral("Dave"));
    EXPECT_EQ(grid.cell(5, 2), QStringLiteral("5"));

    grid.moverow(0);
    EXPECT_EQ(grid.rowCount(), 3);
    grid.moverow(2);
    grid.moverow(1);
    EXPECT_EQ(grid.rowCount(), 1);
    grid.moverow(1);
    EXPECT_EQ(grid.rowCount(), 1);
}
