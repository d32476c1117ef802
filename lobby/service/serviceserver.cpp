#include "serviceserver.h"

#include "servicelog.h"
#include "socketset.h"

#include <QTcpServer>
#include <QTimer>

#include <chrono>
#include <functional>

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
      m_core(*this, store, caps) {
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
    // The sockets go before the core, so that nothing they report reaches it.
    m_sockets->onData = nullptr;
    m_sockets->onEnded = nullptr;
    delete m_sockets;
    m_sockets = nullptr;
}

bool ServiceServer::listen(quint16 port) {
    if (!m_listener->listen(QHostAddress::Any, port))
        return false;
    m_sweepTimer->start();
    return true;
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
