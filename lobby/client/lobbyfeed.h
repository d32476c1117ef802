// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// LobbyFeed: what the lobby program follows of the service, kept as typed
// state for its window: whether the service is reachable, the directory of
// listed tables, who is in the lobby chat and what they say. It keeps one
// ServiceLink open (reconnecting as it does) and, each time it opens, names the
// player, WATCHes the directory and ENTERs the chat.

#include "lobbyaddress.h"
#include "lobbymessages.h"
#include "lobbyreaders.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class ServiceLink;

class LobbyFeed : public QObject {
    Q_OBJECT
public:
    enum class Reach { Stopped, Connecting, Reachable, Unreachable, Refused };

    LobbyFeed(lobbywire::HostPort service, QString version, QObject* parent = nullptr);
    ~LobbyFeed() override;

    // Other instances of the same service, tried in turn; set before start().
    QList<lobbywire::HostPort> alternates;

    // The player's name in the chat; sent now if connected, else on opening.
    // An empty name stays out of the chat (tables are still followed).
    void setName(const QString& name);
    void start();
    void stop();
    // A chat line; false when it can't be sent now (not reachable, no name).
    bool say(const QString& text);

    Reach reach() const { return m_reach; }
    // One line for the window's status: "Connected to the lobby service at
    // HOST:PORT.", "Connecting to the lobby service at HOST:PORT...", "The
    // lobby service at HOST:PORT can't be reached: WHY. Tables on this network
    // still show.", or the service's refusal.
    QString reachText() const;
    // Sorted by table name, then code.
    QList<lobbywire::TableEntry> tables() const;
    // Sorted, without duplicates.
    QStringList people() const;
    // The name the service keeps for the player (after NAMED), else empty.
    QString ownName() const { return m_ownName; }

    // The feed's connection, for tests and the fuzz target (its
    // receiveBytes reaches everything the service can make the feed do).
    ServiceLink* link() const { return m_link; }

signals:
    void reachChanged();
    void tablesChanged();
    void peopleChanged();
    void chatLine(const QString& name, const QString& text);
    // The service refused a request (ERROR), in plain words.
    void notice(const QString& text);

private:
    void onOpened();
    void onMessage(const lobbywire::Message& message);
    void onLost(const QString& why, Reach reach);
    void setReach(Reach reach, const QString& problem = {});
    void setTables(const QMap<QString, lobbywire::TableEntry>& tables);
    void clearPeople();
    QString serviceText() const;

    lobbywire::HostPort m_service;
    QString m_version;
    ServiceLink* m_link = nullptr;
    Reach m_reach = Reach::Stopped;
    QString m_problem;
    QString m_name;
    QString m_ownName;
    QMap<QString, lobbywire::TableEntry> m_tables;
    // The directory as a new WATCH sends it, until LISTED says it is whole.
    QMap<QString, lobbywire::TableEntry> m_snapshot;
    bool m_listing = false;
    bool m_entering = false;     // ENTER sent on this connection
    QMap<QString, int> m_people; // name -> how many are present under it
};
