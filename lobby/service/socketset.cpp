// SPDX-License-Identifier: GPL-3.0-or-later
#include "socketset.h"

#include <QSocketNotifier>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <utility>
#include <vector>

namespace {

// Ready sockets taken from the epoll set per turn of the event loop: the rest
// are still ready at the next turn, so timers are never held up for long.
constexpr int kEventsPerTurn = 256;
// What one read takes: a line is at most 1 KB and a client sends little, but
// a relay passes on whatever the game sends, as fast as it comes.
constexpr qsizetype kReadBytes = 64 * 1024;
// Queued buffers written by one writev.
constexpr int kWriteVectors = 64;

constexpr uint32_t kWatched = EPOLLIN | EPOLLRDHUP;

qint64 monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool wouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

void setOption(int fd, int level, int name, int value) {
    ::setsockopt(fd, level, name, &value, sizeof value);
}

} // namespace

SocketSet::SocketSet(QObject* parent)
    : QObject(parent), m_readBuffer(kReadBytes, Qt::Uninitialized) {
    m_epoll = ::epoll_create1(EPOLL_CLOEXEC);
    if (m_epoll >= 0) {
        m_notifier = new QSocketNotifier(m_epoll, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &SocketSet::ready);
    }
}

SocketSet::~SocketSet() {
    delete m_notifier;
    for (auto& [id, s] : m_sockets)
        ::close(s.fd);
    if (m_epoll >= 0)
        ::close(m_epoll);
}

SocketSet::Id SocketSet::add(int fd, QHostAddress* peer) {
    if (m_epoll < 0) {
        ::close(fd);
        return 0;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    // Lines are batched here already: nothing is gained by waiting for more.
    setOption(fd, IPPROTO_TCP, TCP_NODELAY, 1);
    setOption(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
    if (peer) {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            peer->setAddress(reinterpret_cast<const sockaddr*>(&address));
    }
    const Id id = ++m_lastId;
    epoll_event event{};
    event.events = kWatched;
    event.data.u64 = id;
    if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event) != 0) {
        ::close(fd);
        return 0;
    }
    Socket& s = m_sockets[id];
    s.id = id;
    s.fd = fd;
    return id;
}

bool SocketSet::send(Id id, const QByteArray& bytes) {
    const auto it = m_sockets.find(id);
    if (it == m_sockets.end() || it->second.closing)
        return false;
    Socket& s = it->second;
    s.wrote = true;
    if (bytes.isEmpty())
        return true;
    if (!s.queue.isEmpty()) {
        s.queue.append(bytes);
        s.queued += bytes.size();
        return true;
    }
    const ssize_t n = ::send(s.fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    if (n == bytes.size())
        return true;
    if (n < 0 && !wouldBlock())
        return false;
    s.queue.append(bytes);
    s.offset = n > 0 ? n : 0;
    s.queued = bytes.size() - s.offset;
    watchWrites(s, true);
    return true;
}

qsizetype SocketSet::unsent(Id id) const {
    const auto it = m_sockets.find(id);
    return it == m_sockets.end() ? 0 : it->second.queued;
}

bool SocketSet::join(Id a, Id b, const QByteArray& toA, const QByteArray& toB,
                     qsizetype bufferBytes) {
    const auto ia = m_sockets.find(a);
    const auto ib = m_sockets.find(b);
    if (a == b || ia == m_sockets.end() || ib == m_sockets.end() || ia->second.closing ||
        ib->second.closing)
        return false;
    ia->second.mate = b;
    ib->second.mate = a;
    ia->second.bufferBytes = ib->second.bufferBytes = bufferBytes;
    return send(a, toA) && send(b, toB);
}

QHostAddress SocketSet::localAddress(Id id) const {
    const auto it = m_sockets.find(id);
    if (it == m_sockets.end())
        return {};
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (::getsockname(it->second.fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return {};
    QHostAddress local;
    local.setAddress(reinterpret_cast<const sockaddr*>(&address));
    return local;
}

void SocketSet::close(Id id) {
    const auto it = m_sockets.find(id);
    if (it == m_sockets.end() || it->second.closing)
        return;
    Socket& s = it->second;
    if (s.mate) {
        // Its mate is left to end by itself, or by the owner.
        if (const auto mate = m_sockets.find(s.mate); mate != m_sockets.end())
            mate->second.mate = 0;
        s.mate = 0;
    }
    if (!s.wrote) {
        drop(id, false); // nothing said that could be lost: closed at once
        return;
    }
    s.closing = true;
    s.closingSince = monotonicMs();
    ++m_closing;
    if (s.queue.isEmpty())
        finish(s);
}

// Our side is done: FIN after the last byte. The peer's own end is awaited
// (what it still sends is read and dropped), so that no reset destroys the
// last lines before it has read them.
void SocketSet::finish(Socket& s) {
    ::shutdown(s.fd, SHUT_WR);
    s.finished = true;
}

void SocketSet::sweep(qint64 now) {
    std::vector<Id> late;
    for (const auto& [id, s] : m_sockets)
        if (s.closing && now - s.closingSince >= s.lingerMs)
            late.push_back(id);
    for (Id id : late)
        drop(id, true);
}

void SocketSet::drop(Id id, bool abort) {
    const auto it = m_sockets.find(id);
    if (it == m_sockets.end())
        return;
    if (const Id mate = std::exchange(it->second.mate, 0))
        mateEnded(mate);
    if (abort) {
        const linger now{1, 0}; // a reset: nothing more is waited for
        ::setsockopt(it->second.fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    }
    ::close(it->second.fd); // leaves the epoll set with it
    if (it->second.closing)
        --m_closing;
    m_sockets.erase(it);
}

// The relay's other end went: this one gets what it was owed, then its end,
// and no longer than kRelayLingerMs to take them.
void SocketSet::mateEnded(Id mate) {
    const auto it = m_sockets.find(mate);
    if (it == m_sockets.end())
        return;
    Socket& s = it->second;
    s.mate = 0;
    s.lingerMs = kRelayLingerMs;
    if (s.paused) {
        s.paused = false;
        watch(s);
    }
    s.wrote = true; // its JOINED at least: closed as a connection that was spoken to
    close(mate);
}

void SocketSet::watchWrites(Socket& s, bool on) {
    if (s.writing == on)
        return;
    s.writing = on;
    watch(s);
}

void SocketSet::watch(Socket& s) {
    epoll_event event{};
    event.events = (s.paused ? 0u : kWatched) | (s.writing ? EPOLLOUT : 0u);
    event.data.u64 = s.id;
    ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, s.fd, &event);
}

// A relay's bytes on their way to the mate; past the buffer the sender waits.
void SocketSet::pass(Socket& from, const char* data, qsizetype size) {
    const auto it = m_sockets.find(from.mate);
    if (it == m_sockets.end())
        return;
    Socket& to = it->second;
    if (!send(to.id, QByteArray(data, size))) {
        // Its socket failed: the relay is over, and this side is closed.
        const Id ended = to.id;
        drop(ended, true);
        if (onEnded)
            onEnded(ended);
        return;
    }
    if (to.queued >= to.bufferBytes && !from.paused) {
        from.paused = true;
        watch(from);
    }
}

// Writes what the socket takes; false when it failed.
bool SocketSet::flush(Socket& s) {
    while (!s.queue.isEmpty()) {
        iovec vectors[kWriteVectors];
        int count = 0;
        for (qsizetype i = 0; i < s.queue.size() && count < kWriteVectors; ++i, ++count) {
            const qsizetype skip = i == 0 ? s.offset : 0;
            vectors[count].iov_base = const_cast<char*>(s.queue[i].constData() + skip);
            vectors[count].iov_len = size_t(s.queue[i].size() - skip);
        }
        const ssize_t n = ::writev(s.fd, vectors, count);
        if (n < 0)
            return wouldBlock();
        s.queued -= n;
        qsizetype left = n;
        while (left > 0) {
            const qsizetype rest = s.queue.first().size() - s.offset;
            if (left < rest) {
                s.offset += left;
                break;
            }
            left -= rest;
            s.offset = 0;
            s.queue.removeFirst();
        }
        if (n == 0)
            break;
    }
    if (s.queue.isEmpty()) {
        s.queue = QList<QByteArray>(); // its capacity back
        watchWrites(s, false);
        if (s.closing && !s.finished)
            finish(s);
    }
    // Room again: the relay's other end is read again.
    if (s.mate && s.queued < s.bufferBytes / 2) {
        const auto mate = m_sockets.find(s.mate);
        if (mate != m_sockets.end() && mate->second.paused) {
            mate->second.paused = false;
            watch(mate->second);
        }
    }
    return true;
}

void SocketSet::ready() {
    epoll_event events[kEventsPerTurn];
    const int n = ::epoll_wait(m_epoll, events, kEventsPerTurn, 0);
    for (int i = 0; i < n; ++i) {
        const Id id = events[i].data.u64;
        const uint32_t what = events[i].events;
        auto it = m_sockets.find(id);
        if (it == m_sockets.end())
            continue; // dropped earlier in this turn
        if ((what & EPOLLOUT) && it->second.writing && !flush(it->second)) {
            const bool closing = it->second.closing;
            drop(id, true);
            if (!closing && onEnded)
                onEnded(id);
            continue;
        }
        if (what & (EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR))
            readable(id);
    }
}

void SocketSet::readable(Id id) {
    const auto it = m_sockets.find(id);
    if (it == m_sockets.end())
        return;
    Socket& s = it->second;
    const ssize_t n = ::recv(s.fd, m_readBuffer.data(), size_t(m_readBuffer.size()), 0);
    if (n < 0 && wouldBlock())
        return;
    if (n > 0) {
        if (s.mate)
            pass(s, m_readBuffer.constData(), n);
        else if (!s.closing && onData)
            onData(id, QByteArray(m_readBuffer.constData(), n)); // may close or drop it
        return;
    }
    // The peer's end (or a failure): the connection is over, and a relay's
    // other end with it.
    const bool closing = s.closing;
    drop(id, n < 0);
    if (!closing && onEnded)
        onEnded(id);
}
