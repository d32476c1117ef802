// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the Redis store writes into Redis and publishes to the other
// instances, and how it reads it back. Each value is a header line of the
// store's own (who wrote it, and what) followed by lines of the lobby
// protocol, made by its builders and read by its readers: a value another
// program wrote, or one that was damaged, is rejected like any malformed line.
//
//   table: "<owner>\t<revision>\t<listing>\t<key>\n" TABLE line, FOUND line
//   news:  "table\t<owner>\n" and a table as above;
//          "gone\t<owner>\n" GONE line; "chat\t<owner>\n" CHAT line;
//          "here\t<owner>\n" HERE line; "away\t<owner>\n" AWAY line
//
// <owner> names the instance (16 hexadecimal digits); <revision> counts the
// table's changes, so that an older copy never replaces a newer one; <key> is
// the one its host claims the code with (lobbywire::TableClaim).

#include "lobbyreaders.h"
#include "servicestore.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace storerecord {

struct StoredTable {
    TableRecord table;
    QString owner;
    quint64 revision = 0;
};

QString newInstanceId();
bool isInstanceId(const QString& text);

QByteArray table(const StoredTable& stored);
std::optional<StoredTable> readTable(const QByteArray& value);

struct News {
    enum class Kind { Table, Gone, Chat, Here, Away };
    Kind kind = Kind::Table;
    QString owner;
    StoredTable table;        // Table
    QString code;             // Gone
    lobbywire::ChatLine chat; // Chat
    QString name;             // Here, Away
};
QByteArray tableNews(const StoredTable& stored);
QByteArray goneNews(const QString& owner, const QString& code);
QByteArray chatNews(const QString& owner, const lobbywire::ChatLine& line);
QByteArray presenceNews(const QString& owner, const QString& name, bool here);
std::optional<News> readNews(const QByteArray& message);

} // namespace storerecord
