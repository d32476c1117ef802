// SPDX-License-Identifier: GPL-3.0-or-later
#include "tablehost.h"

#include "discovery.h"
#include "lobbyreaders.h"
#include "relaydialer.h"
#include "servicelink.h"
#include "tsock.h"

#include <QTimer>

namespace {

constexpr int kStateGapMs = 1000;
const QString kStillLocal = QStringLiteral(" Players on this network can still join");

QString sentence(const QString& text) {
    if (text.endsWith(u'.') || text.endsWith(u'!') || text.endsWith(u'?'))
        return text;
    return text + u'.';
}

} // namespace

TableHost::TableHost(HostedTableOptions options, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_stateTimer(new QTimer(this)) {
    m_stateTimer->setSingleShot(true);
    connect(m_stateTimer, &QTimer::timeout, this, &TableHost::onStateTimer);
}

TableHost::~TableHost() {
    stop();
}

void TableHost::start() {
    if (m_responder)
        return;
    m_responder = new DiscoveryResponder(m_options.discoveryPort, this);
    m_responder->setTable(m_options.tableName, m_options.gamePort, m_options.gameVersion, m_state);
    if (!m_responder->start()) {
        // Told from the event loop, so that an owner connecting after start()
        // still hears it.
        QTimer::singleShot(0, this, [this, text = m_responder->problem()] {
            if (m_responder)
                emit problem(text);
        });
    }
    if (!m_options.listing)
        return;
    ServiceLink::Options link;
    link.service = m_options.service;
    link.alternates = m_options.alternates;
    link.program = QStringLiteral("vorlix");
    link.version = m_options.gameVersion;
    link.ipv4Only = true;
    link.idlePingMs = lobbywire::kHostPingSeconds * 1000;
    m_link = new ServiceLink(link, this);
    connect(m_link, &ServiceLink::opened, this, &TableHost::onOpened);
    connect(m_link, &ServiceLink::message, this, &TableHost::onMessage);
    connect(m_link, &ServiceLink::lost, this, [this](const QString& why) {
        m_code.clear();
        m_stateTimer->stop();
        m_stateDirty = false;
        emit problem(sentence(why) + kStillLocal + QStringLiteral("; trying again."));
    });
    connect(m_link, &ServiceLink::refused, this, [this](const QString& why) {
        m_code.clear();
        emit problem(sentence(why) + kStillLocal + u'.');
    });
    m_link->open();
}

void TableHost::stop() {
    m_stateTimer->stop();
    m_stateDirty = false;
    m_code.clear();
    if (m_link) {
        // Out of the directory at once, not when the service finds the
        // connection silent.
        m_link->send(lobbywire::unhost());
        // stop() may come from a slot of the link's own signal.
        ServiceLink::release(m_link, this);
    }
    delete m_responder;
    m_responder = nullptr;
}

void TableHost::setState(const lobbywire::TableState& state) {
    if (state == m_state)
        return;
    m_state = state;
    if (m_responder)
        m_responder->setTable(m_options.tableName, m_options.gamePort, m_options.gameVersion,
                              m_state);
    if (!m_link || m_link->state() != ServiceLink::State::Open)
        return; // sent with HOST when the link opens
    if (m_stateTimer->isActive())
        m_stateDirty = true;
    else
        sendState();
}

bool TableHost::answeringDiscovery() const {
    return m_responder && m_responder->answering();
}

void TableHost::setPublicPort(quint16 port) {
    if (port == m_publicPort)
        return;
    m_publicPort = port;
    if (m_link && m_link->state() == ServiceLink::State::Open && !m_code.isEmpty())
        m_link->send(lobbywire::port(publicPort()));
}

quint16 TableHost::publicPort() const {
    return m_publicPort ? m_publicPort : m_options.gamePort;
}

void TableHost::onOpened() {
    // After a loss the table asks for its code back: its players may still
    // hold it.
    m_link->send(lobbywire::host(*m_options.listing, publicPort(), m_options.gameVersion,
                                 m_options.tableName, m_state.hostName, m_claim));
    sendState();
}

void TableHost::onMessage(const lobbywire::Message& message) {
    if (const auto claim = lobbywire::readHosted(message)) {
        m_claim = *claim;
        m_code = claim->code;
        emit registered(m_code);
    } else if (const auto nonce = lobbywire::readProbe(message)) {
        if (armProbe) {
            armProbe(*nonce);
            m_link->send(lobbywire::armed(*nonce));
        }
    } else if (const auto reach = lobbywire::readReach(message)) {
        emit reached(reach->way, reach->text);
    } else if (const auto joiner = lobbywire::readJoiner(message)) {
        onJoiner(*joiner);
    } else if (const auto error = lobbywire::readError(message)) {
        emit problem(serviceText() + QStringLiteral(" refused the table: ") +
                     sentence(error->text) + kStillLocal + u'.');
    }
}

void TableHost::onJoiner(const lobbywire::Joiner& joiner) {
    if (admits && !admits(joiner.address)) {
        m_link->send(lobbywire::decline(joiner.ticket));
        return;
    }
    auto* dialer = new RelayDialer(m_link->peerAddress(), m_link->peerPort(), joiner.ticket,
                                   joiner.address, this);
    connect(dialer, &RelayDialer::joined, this,
            [this, dialer](TSock* connection, const QString& address, const QByteArray& early) {
                dialer->deleteLater();
                emit relayed(connection, address, early);
            });
    // The player hears from the service when its host does not come.
    connect(dialer, &RelayDialer::failed, dialer, &QObject::deleteLater);
    dialer->start();
}

void TableHost::sendState() {
    m_stateDirty = false;
    m_link->send(lobbywire::state(m_state));
    m_stateTimer->start(kStateGapMs);
}

void TableHost::onStateTimer() {
    if (m_stateDirty && m_link && m_link->state() == ServiceLink::State::Open)
        sendState();
}

lobbywire::HostPort TableHost::instance() const {
    return m_link ? m_link->current() : m_options.service;
}

QString TableHost::serviceText() const {
    return QStringLiteral("The lobby service at ") + lobbywire::hostPortText(instance());
}
