// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lobby's one list of tables: the service's directory (internet tables,
// known by their invite codes) and the tables that answered on this network
// (known by their address), merged into rows for a QTableView. A table seen
// both ways shows twice, once for each way to reach it. An internet table's
// address is never known here, so no column can show it.
//
// Rows stay sorted by the column the player chose (by table name at first);
// equal rows keep a fixed order: this network first, then by code or address.

#include "discovery.h"
#include "lobbymessages.h"

#include <QAbstractTableModel>
#include <QList>

struct TableRow {
    enum class Where { ThisNetwork, Internet };
    Where where = Where::Internet;
    // The invite code of an internet table, the address:port of one on this
    // network: what joins it.
    QString id;
    QString tableName;
    QString version;
    lobbywire::TableState state;
    int rttMs = -1; // this network only
    // An internet table: straight to it, or through the service's relay.
    lobbywire::Way way = lobbywire::Way::Unknown;
    friend bool operator==(const TableRow&, const TableRow&) = default;
};

class TableListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Table, Host, Players, Spies, State, Version, Ping, Where, kColumns };

    explicit TableListModel(QObject* parent = nullptr);

    void setInternetTables(const QList<lobbywire::TableEntry>& tables);
    void setLanTables(const QList<LanTable>& tables);

    const QList<TableRow>& rows() const { return m_rows; }
    // The row at `row`, or nullptr past the end.
    const TableRow* rowAt(int row) const;
    // The row that shows the table of that way and id, or -1.
    int find(TableRow::Where where, const QString& id) const;

    // What a cell shows.
    static QString cellText(const TableRow& row, int column);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void rebuild();

    QList<lobbywire::TableEntry> m_internet;
    QList<LanTable> m_lan;
    QList<TableRow> m_rows;
    int m_sortColumn = Table;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
