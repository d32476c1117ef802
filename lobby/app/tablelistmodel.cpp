// SPDX-License-Identifier: GPL-3.0-or-later
#include "tablelistmodel.h"

#include <algorithm>
#include <climits>

namespace {

const char* const kHeaders[TableListModel::kColumns] = {"Table", "Host",    "Players", "Spies",
                                                        "State", "Version", "Ping",    "Where"};

// Text as a reader orders it, whatever the locale: letters without regard to
// case, and runs of digits by their value ("table 9" before "table 10").
int naturalCompare(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a.at(i).isDigit() && b.at(j).isDigit()) {
            const qsizetype si = i, sj = j;
            while (i < a.size() && a.at(i).isDigit())
                ++i;
            while (j < b.size() && b.at(j).isDigit())
                ++j;
            QStringView x = QStringView(a).mid(si, i - si), y = QStringView(b).mid(sj, j - sj);
            while (x.size() > 1 && x.front() == u'0')
                x = x.mid(1);
            while (y.size() > 1 && y.front() == u'0')
                y = y.mid(1);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y); c != 0)
                return c < 0 ? -1 : 1;
            continue;
        }
        const QChar ca = a.at(i).toCaseFolded(), cb = b.at(j).toCaseFolded();
        if (ca != cb)
            return ca < cb ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return 0;
}

int compareCells(const TableRow& a, const TableRow& b, int column) {
    const auto three = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    switch (column) {
    case TableListModel::Players:
        return three(a.state.seated, b.state.seated);
    case TableListModel::Spies:
        return three(a.state.spies, b.state.spies);
    case TableListModel::Ping:
        // Internet tables have no ping: after every table that has one.
        return three(a.rttMs < 0 ? INT_MAX : a.rttMs, b.rttMs < 0 ? INT_MAX : b.rttMs);
    default:
        return naturalCompare(TableListModel::cellText(a, column),
                              TableListModel::cellText(b, column));
    }
}

} // namespace

TableListModel::TableListModel(QObject* parent) : QAbstractTableModel(parent) {}

void TableListModel::setInternetTables(const QList<lobbywire::TableEntry>& tables) {
    m_internet = tables;
    rebuild();
}

void TableListModel::setLanTables(const QList<LanTable>& tables) {
    m_lan = tables;
    rebuild();
}

const TableRow* TableListModel::rowAt(int row) const {
    return row >= 0 && row < m_rows.size() ? &m_rows.at(row) : nullptr;
}

int TableListModel::find(TableRow::Where where, const QString& id) const {
    for (int i = 0; i < m_rows.size(); ++i)
        if (m_rows.at(i).where == where && m_rows.at(i).id == id)
            return i;
    return -1;
}

QString TableListModel::cellText(const TableRow& row, int column) {
    const lobbywire::TableState& s = row.state;
    switch (column) {
    case Table:
        return row.tableName;
    case Host:
        return s.hostName;
    case Players:
        return QStringLiteral("%1/%2").arg(s.seated).arg(lobbywire::kSeats);
    case Spies:
        return QStringLiteral("%1/%2").arg(s.spies).arg(lobbywire::kSpies);
    case State:
        if (s.phase == lobbywire::Phase::Waiting)
            return QStringLiteral("Waiting");
        return QStringLiteral("Playing, round %1 of %2").arg(s.round).arg(s.rounds);
    case Version:
        return row.version;
    case Ping:
        return row.rttMs >= 0 ? QStringLiteral("%1 ms").arg(row.rttMs) : QString();
    case Where:
        // How a join will connect: the player sees it before joining.
        if (row.where == TableRow::Where::ThisNetwork)
            return QStringLiteral("This network");
        if (row.way == lobbywire::Way::Direct)
            return QStringLiteral("Internet, direct");
        if (row.way == lobbywire::Way::Relay)
            return QStringLiteral("Internet, through the relay");
        return QStringLiteral("Internet");
    default:
        return {};
    }
}

int TableListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TableListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant TableListModel::data(const QModelIndex& index, int role) const {
    const TableRow* row = rowAt(index.row());
    if (!row || index.column() < 0 || index.column() >= kColumns)
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return cellText(*row, index.column());
    if (role == Qt::TextAlignmentRole && index.column() >= Players && index.column() != Where &&
        index.column() != State && index.column() != Version)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TableListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < kColumns)
        return QString::fromLatin1(kHeaders[section]);
    return {};
}

void TableListModel::sort(int column, Qt::SortOrder order) {
    if (column < 0 || column >= kColumns)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    rebuild();
}

void TableListModel::rebuild() {
    QList<TableRow> rows;
    rows.reserve(m_internet.size() + m_lan.size());
    for (const LanTable& t : m_lan)
        rows.append(
            {TableRow::Where::ThisNetwork, t.key(), t.tableName, t.version, t.state, t.rttMs});
    for (const lobbywire::TableEntry& t : m_internet)
        rows.append(
            {TableRow::Where::Internet, t.code, t.tableName, t.version, t.state, -1, t.way});
    const int column = m_sortColumn;
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    std::stable_sort(rows.begin(), rows.end(), [&](const TableRow& a, const TableRow& b) {
        int c = compareCells(a, b, column);
        if (c == 0 && column != Table)
            c = compareCells(a, b, Table);
        if (c != 0)
            return descending ? c > 0 : c < 0;
        if (a.where != b.where)
            return a.where == TableRow::Where::ThisNetwork;
        return a.id < b.id;
    });
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}
