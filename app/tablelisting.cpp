// SPDX-License-Identifier: GPL-3.0-or-later
#include "tablelisting.h"

#include "gameengine.h"
#include "inifile.h"
#include "portmapper.h"
#include "protocol.h"
#include "tserver.h"
#include "tsock.h"
#include "version.h"

#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// The directory is to show a change within a few seconds; the TableHost
// sends at most one a second anyway.
constexpr int kRefreshMs = 1000;

} // namespace

TableListing::TableListing(TServer& server, HostedTableOptions options, QObject* parent)
    : QObject(parent), m_server(server) {
    if (server.Sock1->Listen() && server.Sock1->localPort() != 0)
        options.gamePort = server.Sock1->localPort();
    m_host = new TableHost(std::move(options), this);
    m_host->armProbe = [this](const QString& nonce) { m_server.expectProbe(nonce); };
    m_host->admits = [this](const QString& address) { return !m_server.refuses(address); };
    connect(m_host, &TableHost::relayed, this,
            [this](TSock* connection, const QString& address, const QByteArray& early) {
                m_server.adopt(connection, address, early);
            });
    connect(m_host, &TableHost::reached, this, [this](lobbywire::Way way, const QString& text) {
        if (m_mapper && m_mapper->state() == PortMapper::State::Mapping) {
            m_heldReach = reachLine(way, text);
            return;
        }
        emit notice(reachLine(way, text));
    });
    connect(m_host, &TableHost::registered, this, [this](const QString& code) {
        m_lastProblem.clear();
        emit registered(code);
    });
    connect(m_host, &TableHost::problem, this, [this](const QString& text) {
        if (text == m_lastProblem)
            return;
        m_lastProblem = text;
        emit problem(text);
    });
    m_timer = new QTimer(this);
    m_timer->setInterval(kRefreshMs);
    connect(m_timer, &QTimer::timeout, this, &TableListing::refresh);

    const HostedTableOptions& table = m_host->options();
    if (!table.listing || !table.mapPort)
        return; // this network only: the router is not asked
    PortMapper::Options mapping;
    mapping.internalPort = table.gamePort;
    mapping.description = QStringLiteral("Vorlix table \"%1\"").arg(table.tableName);
    m_mapper = new PortMapper(mapping, this);
    connect(m_mapper, &PortMapper::mapped, this, [this](const PortMapping& m) {
        m_heldReach.clear();
        m_host->setPublicPort(m.externalPort);
        emit notice(mappedLine(m));
    });
    connect(m_mapper, &PortMapper::renewed, this,
            [this](const PortMapping& m) { m_host->setPublicPort(m.externalPort); });
    connect(m_mapper, &PortMapper::unavailable, this, [this](const QString& why) {
        emit notice(why + QStringLiteral(" The lobby service tests whether players on the "
                                         "internet can reach your table anyway."));
        if (!m_heldReach.isEmpty())
            emit notice(std::exchange(m_heldReach, QString()));
    });
    connect(m_mapper, &PortMapper::lost, this, [this](const QString& why) {
        m_host->setPublicPort(0);
        emit notice(why);
    });
}

TableListing::~TableListing() = default;

void TableListing::start() {
    refresh();
    m_host->start();
    m_timer->start();
    if (m_mapper)
        m_mapper->start();
}

void TableListing::refresh() {
    m_host->setState(stateOf(m_server.engine()));
}

lobbysettings::Network TableListing::lobbyNetwork(const commandline::Options& options,
                                                  const QString& settingsFile) {
    lobbysettings::Network network = lobbysettings::readNetwork(IniFile(settingsFile));
    if (options.lobby) {
        network.service = *options.lobby;
        network.alternates = options.lobbyAlternates;
    }
    return network;
}

HostedTableOptions TableListing::optionsFor(const commandline::Options& options,
                                            const lobbysettings::Network& network,
                                            const QString& defaultName) {
    HostedTableOptions t;
    t.listing = options.listing;
    t.tableName = options.listing
                      ? options.tableName
                      : lobbywire::cleanName(defaultName, lobbywire::kMaxTableNameChars);
    t.gamePort = options.port.value_or(7772);
    t.gameVersion = QLatin1String(wire::kVersion);
    t.service = network.service;
    t.alternates = network.alternates;
    t.discoveryPort = network.discoveryPort;
    t.mapPort = network.portMapping;
    return t;
}

QString TableListing::registeredLine(const HostedTableOptions& table, const QString& code) {
    if (table.listing == lobbywire::Listing::Public)
        return QStringLiteral("Your table \"%1\" is listed in the Kestrun Lobby; its invite code "
                              "is %2.")
            .arg(table.tableName, code);
    return QStringLiteral("Your table \"%1\" is open to the players you invite; its invite code "
                          "is %2.")
        .arg(table.tableName, code);
}

QString TableListing::reachLine(lobbywire::Way way, const QString& text) {
    if (way == lobbywire::Way::Direct)
        return QStringLiteral("Players on the internet can reach your table (%1).").arg(text);
    return QStringLiteral("Players on the internet can't reach your table directly (%1), so they "
                          "join through the lobby service's relay, which passes the game on "
                          "between you.")
        .arg(text);
}

QString TableListing::mappedLine(const PortMapping& m) {
    const QString where = m.publicAddress.isEmpty()
                              ? QStringLiteral("port %1").arg(m.externalPort)
                              : QStringLiteral("%1:%2").arg(m.publicAddress).arg(m.externalPort);
    return QStringLiteral("Your router forwards %1 to your table (%2).").arg(where, m.methodName());
}

lobbywire::TableState TableListing::stateOf(const GameEngine& engine) {
    lobbywire::TableState s;
    const GameEngine::SlotTable& players = engine.players();
    for (int slot = 1; slot <= GameEngine::kMaxSlots; ++slot) {
        const tplayer& p = players[slot];
        if (!p.connected || p.name.isEmpty())
            continue;
        if (slot <= GameEngine::kSeats)
            ++s.seated;
        else
            ++s.spies;
    }
    s.hostName = lobbywire::cleanName(wire::decodeShown(players[1].name), lobbywire::kMaxNameChars);
    if (engine.gameon()) {
        s.phase = lobbywire::Phase::Playing;
        s.round = std::min(engine.round().roundnum, lobbywire::kMaxRounds);
        s.rounds = std::min(engine.settings().numrounds, lobbywire::kMaxRounds);
    }
    return s;
}
