// SPDX-License-Identifier: GPL-3.0-or-later
// The one list of tables: internet and this-network tables merged into rows,
// the text of every column, and the order the player chose.

#include "tablelistmodel.h"
#include "version.h"

#include <gtest/gtest.h>

namespace {

lobbywire::TableEntry internet(const QString& code, const QString& name, int seated = 4,
                               int spies = 1) {
    lobbywire::TableEntry e;
    e.code = code;
    e.tableName = name;
    e.version = QLatin1String(wire::kVersion);
    e.state = {seated, spies, lobbywire::Phase::Playing, 2, 5, QStringLiteral("Ann")};
    return e;
}

LanTable lan(const QString& address, const QString& name, int rtt) {
    LanTable t;
    t.address = address;
    t.port = 7772;
    t.version = QStringLiteral("1.0.3");
    t.tableName = name;
    t.state = {2, 0, lobbywire::Phase::Waiting, 0, 0, QStringLiteral("Bob")};
    t.rttMs = rtt;
    return t;
}

QStringList rowTexts(const TableListModel& model, int row) {
    QStringList texts;
    for (int c = 0; c < model.columnCount(); ++c)
        texts << model.data(model.index(row, c), Qt::DisplayRole).toString();
    return texts;
}

} // namespace

TEST(TableListModel, ShowsEveryColumnOfBothKindsAndNoInternetAddress) {
    TableListModel model;
    lobbywire::TableEntry relayed = internet(QStringLiteral("+AAAA-BBBB"), QStringLiteral("Zoo"));
    relayed.way = lobbywire::Way::Relay;
    lobbywire::TableEntry direct = internet(QStringLiteral("+CCCC-DDDD"), QStringLiteral("Zulu"));
    direct.way = lobbywire::Way::Direct;
    model.setInternetTables(
        {internet(QStringLiteral("+K7Q2-M9XD"), QStringLiteral("Zebra")), relayed, direct});
    model.setLanTables({lan(QStringLiteral("192.168.1.20"), QStringLiteral("Attic"), 12)});
    ASSERT_EQ(model.rowCount(), 4);
    ASSERT_EQ(model.columnCount(), 8);
    EXPECT_EQ(rowTexts(model, 0), QStringList({"Attic", "Bob", "2/6", "0/3", "Waiting", "1.0.3",
                                               "12 ms", "This network"}));
    EXPECT_EQ(rowTexts(model, 1),
              QStringList({"Zebra", "Ann", "4/6", "1/3", "Playing, round 2 of 5",
                           QLatin1String(wire::kVersion), "", "Internet"}));
    EXPECT_EQ(model.rowAt(0)->id, QStringLiteral("192.168.1.20:7772"));
    EXPECT_EQ(model.rowAt(1)->id, QStringLiteral("+K7Q2-M9XD"));
    // How a join will connect.
    EXPECT_EQ(rowTexts(model, 2).last(), "Internet, through the relay");
    EXPECT_EQ(rowTexts(model, 3).last(), "Internet, direct");
    EXPECT_EQ(model.rowAt(4), nullptr);
    QStringList headers;
    for (int c = 0; c < model.columnCount(); ++c)
        headers << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    EXPECT_EQ(headers, QStringList({"Table", "Host", "Players", "Spies", "State", "Version", "Ping",
                                    "Where"}));
    // No cell of an internet table may show anything like an address.
    for (const QString& text : rowTexts(model, 1))
        EXPECT_FALSE(text.contains(QStringLiteral("192.168"))) << text.toStdString();
}

TEST(TableListModel, MergesTablesSeenBothWaysAndReplacesEachSideWhole) {
    TableListModel model;
    model.setLanTables({lan(QStringLiteral("10.0.0.5"), QStringLiteral("Same"), 3)});
    model.setInternetTables({internet(QStringLiteral("+AAAA-BBBB"), QStringLiteral("Same")),
                             internet(QStringLiteral("+CCCC-DDDD"), QStringLiteral("Other"))});
    ASSERT_EQ(model.rowCount(), 3);
    // Equal names: this network first.
    EXPECT_EQ(model.rowAt(1)->where, TableRow::Where::ThisNetwork);
    EXPECT_EQ(model.rowAt(2)->where, TableRow::Where::Internet);
    EXPECT_EQ(model.find(TableRow::Where::Internet, QStringLiteral("+CCCC-DDDD")), 0);

    model.setInternetTables({});
    ASSERT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.rowAt(0)->where, TableRow::Where::ThisNetwork);
    model.setLanTables({});
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(TableListModel, SortsByTheChosenColumnNumbersAsNumbers) {
    TableListModel model;
    model.setInternetTables({internet(QStringLiteral("+AAAA-AAAA"), QStringLiteral("beta"), 6),
                             internet(QStringLiteral("+BBBB-BBBB"), QStringLiteral("Alpha"), 1),
                             internet(QStringLiteral("+CCCC-CCCC"), QStringLiteral("table 10"), 3),
                             internet(QStringLiteral("+DDDD-DDDD"), QStringLiteral("table 9"), 3)});
    const auto names = [&] {
        QStringList n;
        for (const TableRow& r : model.rows())
            n << r.tableName;
        return n;
    };
    EXPECT_EQ(names(), QStringList({"Alpha", "beta", "table 9", "table 10"}));
    model.sort(TableListModel::Players, Qt::DescendingOrder);
    EXPECT_EQ(names(), QStringList({"beta", "table 10", "table 9", "Alpha"}));
    // The order chosen holds for the lists that come later.
    model.setLanTables({lan(QStringLiteral("10.0.0.9"), QStringLiteral("Zed"), 40)});
    EXPECT_EQ(names(), QStringList({"beta", "table 10", "table 9", "Zed", "Alpha"}));
    model.sort(TableListModel::Ping, Qt::AscendingOrder);
    EXPECT_EQ(model.rows().first().tableName, QStringLiteral("Zed"));
}
