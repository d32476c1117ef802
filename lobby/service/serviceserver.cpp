// SPDX-License-Identifier: GPL-3.0-or-later
#include "serviceserver.h"

#include "lobbyaddress.h"
#include "lobbyreaders.h"
#include "servicelog.h"
#include "socketset.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <utility>

namespace {

// Connections that arrive together (a whole lobby reconnecting after a
// restart) wait in the system's queue rather than being turned away.
constexpr int kListenBacklog = 1024;
// Writes of a directory batch per turn of the event loop: a few milliseconds'
// worth, after which the requests that came meanwhile are read and answered
// (an invite code is resolved within milliseconds even while 10,000 watchers
// are being sent a batch).
constexpr int kWritesPerTurn = 250;

qint64 monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QTimer* makeTimer(QObject* parent, int intervalMs, bool singleShot) {
    auto* t = new QTimer(parent);
    t->setInterval(intervalMs);
    t->setSingleShot(singleShot);
    return t;
}

// Hands each accepted connection's descriptor over as it is, instead of
// making a QTcpSocket of it.
class Listener : public QTcpServer {
public:
    explicit Listener(QObject* parent) : QTcpServer(parent) {}
    std::function<void(qintptr)> incoming;

protected:
    void incomingConnection(qintptr descriptor) override { incoming(descriptor); }
};

} // namespace

ServiceServer::ServiceServer(ServiceStore& store, ConnectionCaps caps, QObject* parent)
    : QObject(parent), m_listener(new Listener(this)), m_sockets(new SocketSet(this)),
      m_sweepTimer(makeTimer(this, 1000, false)),
      m_batchTimer(makeTimer(this, int(servicelimits::kBatchMs), true)),
      m_chatTimer(makeTimer(this, 0, true)), m_deliveryTimer(makeTimer(this, 0, true)),
      m_probes(new QObject(this)), m_core(*this, store, caps) {
    static_cast<Listener*>(m_listener)->incoming = [this](qintptr d) { accept(d); };
    m_listener->setListenBacklogSize(kListenBacklog);
    connect(m_listener, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError) {
        // Out of file descriptors, most likely: Qt stops accepting; the sweep
        // tries again in a second, when some may have been given back.
        m_acceptPaused = true;
        note(QStringLiteral("cannot accept connections: %1; trying again in a second")
                 .arg(m_listener->errorString()));
    });
    m_sockets->onData = [this](ConnectionId id, const QByteArray& bytes) {
        m_core.received(id, bytes);
    };
    m_sockets->onEnded = [this](ConnectionId id) { m_core.closed(id); };
    connect(m_sweepTimer, &QTimer::timeout, this, &ServiceServer::sweep);
    connect(m_batchTimer, &QTimer::timeout, this, [this] {
        if (m_core.flushDirectory(kWritesPerTurn))
            m_deliveryTimer->start();
    });
    connect(m_deliveryTimer, &QTimer::timeout, this, [this] {
        if (m_core.continueDirectory(kWritesPerTurn))
            m_deliveryTimer->start();
    });
    connect(m_chatTimer, &QTimer::timeout, this, [this] { m_core.flushChat(); });
    m_core.onDirectoryPending = [this] {
        if (!m_batchTimer->isActive())
            m_batchTimer->start();
    };
    m_core.onChatPending = [this] {
        if (!m_chatTimer->isActive())
            m_chatTimer->start();
    };
    m_core.onEvent = [this](const ServiceEvent& e) { note(servicelog::describe(e)); };
}

ServiceServer::~ServiceServer() {
    delete m_probes; // their answers would find the core gone
    m_probes = nullptr;
    // The sockets go before the core, so that nothing they report reaches it.
    m_sockets->onData = nullptr;
    m_sockets->onEnded = nullptr;
    delete m_sockets;
    m_sockets = nullptr;
}

bool ServiceServer::listen(quint16 port) {
    if (!m_listener->listen(QHostAddress::Any, port))
        return false;
    m_core.setRelayAddress(m_relayHost, m_relayPort ? m_relayPort : m_listener->serverPort());
    m_sweepTimer->start();
    return true;
}

void ServiceServer::setRelayAddress(const QString& host, quint16 port) {
    m_relayHost = host;
    m_relayPort = port;
}

quint16 ServiceServer::port() const {
    return m_listener->serverPort();
}

QString ServiceServer::errorString() const {
    return m_listener->errorString();
}

void ServiceServer::stop() {
    m_listener->close();
    m_core.shutdown();
}

int ServiceServer::lingering() const {
    return m_sockets ? m_sockets->lingering() : 0;
}

QString ServiceServer::addressText(const QHostAddress& address) {
    bool ipv4 = false;
    const quint32 v4 = address.toIPv4Address(&ipv4);
    if (ipv4)
        return QHostAddress(v4).toString();
    QHostAddress plain = address;
    plain.setScopeId(QString());
    return plain.toString();
}

void ServiceServer::accept(qintptr descriptor) {
    QHostAddress peer;
    if (const ConnectionId id = m_sockets->add(int(descriptor), &peer))
        m_core.opened(id, addressText(peer));
}

bool ServiceServer::send(ConnectionId id, const QByteArray& bytes) {
    return m_sockets->send(id, bytes);
}

void ServiceServer::close(ConnectionId id) {
    m_sockets->close(id);
}

qsizetype ServiceServer::unsent(ConnectionId id) const {
    return m_sockets->unsent(id);
}

void ServiceServer::join(ConnectionId a, ConnectionId b, const QByteArray& toA,
                         const QByteArray& toB) {
    if (!m_sockets->join(a, b, toA, toB, servicelimits::kRelayBufferBytes)) {
        // One end went meanwhile: the other goes too, and the core hears of
        // the relay's end from the event loop, as of any other.
        m_sockets->close(a);
        m_sockets->close(b);
        QTimer::singleShot(0, this, [this, a] { m_core.closed(a); });
    }
}

QString ServiceServer::localAddress(ConnectionId id) const {
    return addressText(m_sockets->localAddress(id));
}

// The test of a table from outside: connect, greet, and read one line, all
// within the probe's time. What happened is told in the words the table's
// host will read.
void ServiceServer::probe(ConnectionId host, const QString& address, quint16 port,
                          const QString& nonce) {
    auto* socket = new QTcpSocket(m_probes);
    auto* timer = new QTimer(socket);
    const QString where = lobbywire::hostPortText({address, port});
    auto finished = std::make_shared<bool>(false);
    auto done = [this, socket, host, nonce, finished](bool answered, const QString& text) {
        if (std::exchange(*finished, true))
            return; // the socket's last signals, as it is aborted
        socket->abort();
        socket->deleteLater();
        m_core.probed(host, nonce, answered, text);
    };
    connect(timer, &QTimer::timeout, socket, [socket, done, where] {
        done(false, socket->state() == QAbstractSocket::ConnectedState
                        ? QStringLiteral("%1 took the connection but did not answer within %2 "
                                         "seconds")
                              .arg(where)
                              .arg(lobbywire::kProbeSeconds)
                        : QStringLiteral("nothing answered at %1 within %2 seconds")
                              .arg(where)
                              .arg(lobbywire::kProbeSeconds));
    });
    connect(socket, &QTcpSocket::connected, socket,
            [socket] { socket->write(lobbywire::probeGreeting()); });
    connect(socket, &QTcpSocket::readyRead, socket, [socket, done, where, nonce] {
        const QByteArray got = socket->peek(256);
        const qsizetype end = got.indexOf('\n');
        if (end < 0 && got.size() < 256)
            return;
        const auto answer = lobbywire::readProbeAnswer(got.left(end + 1));
        if (answer && *answer == nonce)
            done(true, QStringLiteral("the table answered at %1").arg(where));
        else
            done(false, QStringLiteral("something else answers at %1").arg(where));
    });
    connect(
        socket, &QTcpSocket::errorOccurred, socket,
        [socket, done, where](QAbstractSocket::SocketError error) {
            if (error == QAbstractSocket::ConnectionRefusedError)
                done(false, QStringLiteral("%1 refused the connection").arg(where));
            else if (error == QAbstractSocket::RemoteHostClosedError)
                done(false,
                     QStringLiteral("%1 closed the connection without answering").arg(where));
            else
                done(false,
                     QStringLiteral("%1 can't be reached: %2").arg(where, socket->errorString()));
        });
    timer->setSingleShot(true);
    timer->start(lobbywire::kProbeSeconds * 1000);
    socket->connectToHost(address, port);
}

void ServiceServer::sweep() {
    m_core.sweep();
    m_sockets->sweep(monotonicMs());
    if (m_acceptPaused && m_listener->isListening()) {
        m_acceptPaused = false;
        m_listener->resumeAccepting();
    }
}

void ServiceServer::note(const QString& line) const {
    if (log)
        log(line);
}
