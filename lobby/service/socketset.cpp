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

#include <vector>

namespace {

// Ready sockets taken from the epoll set per turn of the event loop: the rest
// are still ready at the next turn, so timers are never held up for long.
constexpr int kEventsPerTurn = 256;
// What one read takes: a line is at most 1 KB, and a client sends little.
constexpr qsizetype kReadBytes = 16 * 1024;
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

void SocketSet::close(Id id) {
    const auto it = m_sockets.find(id);
    if (it == m_sockets.end() || it->second.closing)
        return;
    Socket& s = it->second;
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
        if (s.closing && now - s.closingSince >= kLingerMs)
            late.push_back(id);
    for (Id id : late)
        drop(id, true);
}

void SocketSet::drop(Id id, bool abort) {
    const auto it = m_sockets.find(id);
    if (it == m_sockets.end())
        return;
    if (abort) {
        const linger now{1, 0}; // a reset: nothing more is waited for
        ::setsockopt(it->second.fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    }
    ::close(it->second.fd); // leaves the epoll set with it
    if (it->second.closing)
        --m_closing;
    m_sockets.erase(it);
}

void SocketSet::watchWrites(Socket& s, bool on) {
    if (s.writing == on)
        return;
    s.writing = on;
    epoll_event event{};
    event.events = kWatched | (on ? EPOLLOUT : 0u);
    event.data.u64 = s.id;
    ::epoll_ctl(m_epoll, EPOLL_CTL_MOD, s.fd, &event);
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
        if (!s.closing && onData)
            onData(id, QByteArray(m_readBuffer.constData(), n)); // may close or drop it
        return;
    }
    // The peer's end (or a failure): the connection is over.
    const bool closing = s.closing;
    drop(id, n < 0);
    if (!closing && onEnded)
        onEnded(id);
}
