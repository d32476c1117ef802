// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// kestrunlobby --list: the tables the service lists, or those on this
// network, printed one a line for scripts: TAB-separated code (or
// address:port), table name, seated, spies, state ("waiting", or "playing
// round N of M") and game version. Names hold no TAB: the lobby's readers
// turn control characters into blanks.

#include "discovery.h"
#include "lobbyaddress.h"
#include "lobbymessages.h"
#include "lobbyreaders.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>

class QTimer;
class ServiceLink;

namespace tablelines {

QString stateText(const lobbywire::TableState& state);
QString line(const lobbywire::TableEntry& table);
QString line(const LanTable& table);

} // namespace tablelines

// Asks the service for its directory once (WATCH until LISTED) and ends.
class DirectoryFetch : public QObject {
    Q_OBJECT
public:
    DirectoryFetch(lobbywire::HostPort service, QObject* parent = nullptr);
    ~DirectoryFetch() override;

    // The whole question, from connecting to the end of the list, for each
    // instance asked.
    int timeoutMs = 15'000;
    // Other instances of the same service, asked in turn when one can't be
    // reached or does not send its list in time.
    QList<lobbywire::HostPort> alternates;
    void start();

signals:
    // The listed tables, sorted by table name, then code.
    void fetched(const QList<lobbywire::TableEntry>& tables);
    void failed(const QString& why);

private:
    void ask();
    void onMessage(const lobbywire::Message& message);
    // The instance asked could not answer: the next is asked, or the fetch
    // fails when none is left.
    void instanceFailed(const QString& why);
    void fail(const QString& why);

    lobbywire::HostPort m_service;
    int m_instance = 0; // 0: m_service; 1..: alternates
    ServiceLink* m_link = nullptr;
    QTimer* m_timer = nullptr;
    QMap<QString, lobbywire::TableEntry> m_tables;
    bool m_done = false;
};
