// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TableHost: a hosted table's presence, one piece for a hosting copy and a
// dedicated server alike. From start() it answers discovery queries on this
// network (DiscoveryResponder). When the table is to be found beyond this
// network (a listing), it also registers with the lobby service over its own
// ServiceLink (IPv4: the game takes players on IPv4), keeps the entry current
// (a change of state goes out within a second, at most one STATE a second),
// pings it alive, and registers again whenever the link opens anew. Ending
// the TableHost (or stop()) takes the table out of the directory at once.
//
// Its owner feeds it the table's state as it changes and hears the invite
// code the service gave, and any problem in plain words, to show the player
// or log.
//
// Players on the internet reach the table directly when they can, else
// through the service's relay. The service tests the table from outside
// after every registration and change of port: armProbe readies the game
// server for that test, and reached() says what it found. When a player
// waits at the relay, the TableHost connects to the service for that player
// (RelayDialer) and hands the connection over with relayed(), unless
// `admits` says the game server would refuse the player's address.

#include "lobbyaddress.h"
#include "lobbymessages.h"
#include "lobbyreaders.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class DiscoveryResponder;
class ServiceLink;
class QTimer;
class TSock;

struct HostedTableOptions {
    QString tableName;
    quint16 gamePort = 7772;
    QString gameVersion;
    // Public: listed in the directory; Invite: found by its code alone; none:
    // this network only (no service is contacted).
    std::optional<lobbywire::Listing> listing;
    lobbywire::HostPort service{QString::fromLatin1(lobbywire::kDefaultServiceHost),
                                lobbywire::kDefaultServicePort};
    // Other instances of the service: a table whose instance goes registers
    // with the next, asking for its code back.
    QList<lobbywire::HostPort> alternates;
    quint16 discoveryPort = lobbywire::kDefaultDiscoveryPort;
    // A listed table asks the home router to forward its port.
    bool mapPort = true;
};

class TableHost : public QObject {
    Q_OBJECT
public:
    explicit TableHost(HostedTableOptions options, QObject* parent = nullptr);
    ~TableHost() override;

    void start();
    void stop();
    void setState(const lobbywire::TableState& state);
    // The port players on the internet reach the game at, when the router
    // forwards another one than the game's own (0: the game's own).
    void setPublicPort(quint16 port);

    // The game server answers the test of `nonce` (see TServer::expectProbe);
    // without it the test finds nothing and the relay is used.
    std::function<void(const QString& nonce)> armProbe;
    // Whether the game server would take a player from `address` now.
    std::function<bool(const QString& address)> admits;

    const HostedTableOptions& options() const { return m_options; }
    const lobbywire::TableState& state() const { return m_state; }
    // The code the service gave the table; empty until it did.
    QString inviteCode() const { return m_code; }
    // The instance of the service the table is registered with, or tries
    // next: the first of the options' until another one took over.
    lobbywire::HostPort instance() const;
    bool answeringDiscovery() const;

signals:
    // The service gave the table this code (again after every new
    // registration: a service that lost the table gives a new one).
    void registered(const QString& code);
    // The service can't be reached or refused the table, or discovery can't
    // be answered; in plain words.
    void problem(const QString& text);
    // What the service's test found: Direct or Relay, and what it tried.
    void reached(lobbywire::Way way, const QString& text);
    // A player at the relay, now the game server's: `connection` has no
    // parent and no handlers; `early` holds bytes it sent already.
    void relayed(TSock* connection, const QString& address, const QByteArray& early);

private:
    void onOpened();
    void onMessage(const lobbywire::Message& message);
    void sendState();
    void onStateTimer();
    void onJoiner(const lobbywire::Joiner& joiner);
    quint16 publicPort() const;
    QString serviceText() const;

    HostedTableOptions m_options;
    lobbywire::TableState m_state;
    QString m_code;
    lobbywire::TableClaim m_claim; // to claim the code again after a loss
    quint16 m_publicPort = 0;
    DiscoveryResponder* m_responder = nullptr;
    ServiceLink* m_link = nullptr;
    // Runs for a second after each STATE; a change meanwhile waits for it.
    QTimer* m_stateTimer = nullptr;
    bool m_stateDirty = false;
};
