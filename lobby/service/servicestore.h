// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ServiceStore: where the lobby service keeps what several instances behind
// one name must share: the tables with their invite codes, and the lobby chat
// with who is present in it. MemoryStore keeps it in this process; RedisStore
// shares it through a Redis server.
//
// What the core may rely on:
// - Every table is reported to the listener as it is added or changes
//   (tableShown) and as it leaves (tableGone), whichever instance holds it;
//   the instance's own tables as the calls below make them, others' as they
//   are heard of.
// - addTable's and resolve's answers may come from inside the call or later,
//   always from the event loop's thread, each exactly once; while the store is
//   being destroyed they are dropped instead.
// - Chat lines and presence of other instances come through the listener;
//   this instance's own are the core's to show, the store only passes them on.

#include "lobbymessages.h"
#include "lobbyreaders.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// A table as the store keeps it: its listing, where it takes players, how
// they reach it, and what the directory shows of it.
struct TableRecord {
    QString code;
    lobbywire::Listing listing = lobbywire::Listing::Public;
    QString address; // as the service saw the host's connection
    quint16 port = 0;
    QString version;
    QString tableName;
    lobbywire::TableState state;
    lobbywire::Way way = lobbywire::Way::Unknown;
    // The instance that holds its host's connection, and so relays for it.
    QString relayHost;
    quint16 relayPort = 0;
    // Known to its host alone: a HOST with the code and this key claims the
    // code again.
    QString key;

    lobbywire::TableEntry entry() const { return {code, tableName, version, state, way}; }
    lobbywire::Found found() const {
        return {code, address, port, version, tableName, state.hostName, way, relayHost, relayPort};
    }
    friend bool operator==(const TableRecord&, const TableRecord&) = default;
};

class StoreListener {
public:
    virtual ~StoreListener() = default;
    // A table was added or changed.
    virtual void tableShown(const TableRecord& table) = 0;
    virtual void tableGone(const QString& code) = 0;
    // Another instance's chat line.
    virtual void chatHeard(const lobbywire::ChatLine& line) = 0;
    // The shared chat history, oldest first, as loaded when the store
    // (re)connected: it replaces what the core kept.
    virtual void chatHistory(const QList<lobbywire::ChatLine>& lines) = 0;
    // Somebody entered or left the chat at another instance.
    virtual void personHere(const QString& name) = 0;
    virtual void personAway(const QString& name) = 0;
};

class ServiceStore {
public:
    using AddDone = std::function<void(std::optional<QString> code)>;
    using ResolveDone = std::function<void(std::optional<TableRecord> table)>;

    virtual ~ServiceStore() = default;

    void setListener(StoreListener* listener) { m_listener = listener; }

    // Gives the table an invite code, unique among the store's codes: the
    // record's own code when it has one that no table holds now (a host
    // registering again after its instance went), else a new one; nothing
    // when none could be had.
    virtual void addTable(TableRecord table, AddDone done) = 0;
    // The table as it is now (its state, port, way); a code that is not this
    // instance's is ignored.
    virtual void updateTable(const TableRecord& table) = 0;
    // The table leaves at once, for every instance.
    virtual void removeTable(const QString& code) = 0;
    // The table of a written-form code, public or invite, or nothing.
    virtual void resolve(const QString& code, ResolveDone done) = 0;

    // This instance's chat line and presence, for the others.
    virtual void said(const lobbywire::ChatLine& line) = 0;
    virtual void arrived(const QString& name) = 0;
    virtual void left(const QString& name) = 0;

    // For the log: "memory", "redis://HOST:PORT".
    virtual QString describe() const = 0;

protected:
    StoreListener* listener() const { return m_listener; }

private:
    StoreListener* m_listener = nullptr;
};
