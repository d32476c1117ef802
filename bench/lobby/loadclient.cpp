// SPDX-License-Identifier: GPL-3.0-or-later
#include "loadclient.h"

#include "lobbyreaders.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <sys/epoll.h>
#include <sys/socket.h>

LoadClient::LoadClient(Role role, int index, int slot, std::uint32_t source)
    : role(role), index(index), slot(slot), source(source) {}

LoadClient::~LoadClient() {
    loadsocket::close(m_fd, -1);
}

QString LoadClient::sourceText() const {
    return QString::fromLatin1(dottedAddress(source));
}

bool LoadClient::start(std::uint16_t port, int epollFd) {
    m_epollFd = epollFd;
    m_fd = loadsocket::connectWatched(source, INADDR_LOOPBACK, port, true, epollFd, this);
    stage = m_fd < 0 ? Stage::Closed : Stage::Connecting;
    m_writeWatched = m_fd >= 0;
    return m_fd >= 0;
}

bool LoadClient::finishConnect() {
    if (loadsocket::connected(m_fd))
        return true;
    close();
    return false;
}

void LoadClient::setEvents(int epollFd) {
    const bool want = wantsWrite();
    if (want == m_writeWatched || m_fd < 0)
        return;
    loadsocket::watch(epollFd, EPOLL_CTL_MOD, m_fd, EPOLLIN | EPOLLRDHUP | (want ? EPOLLOUT : 0u),
                      this);
    m_writeWatched = want;
}

bool LoadClient::send(const QByteArray& line) {
    if (m_fd < 0)
        return false;
    lastSentNs = steadyNs();
    m_out.append(line);
    return stage == Stage::Connecting || flush();
}

bool LoadClient::flush() {
    if (m_fd >= 0 && !loadsocket::flush(m_fd, m_out)) {
        close();
        return false;
    }
    setEvents(m_epollFd);
    return m_fd >= 0;
}

LoadClient::Read LoadClient::read(char* area, std::size_t size, QList<QByteArray>& lines) {
    Read r;
    alignas(cmsghdr) char control[256];
    for (;;) {
        iovec iov{area, size};
        msghdr msg{};
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(m_fd, &msg, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return r;
        if (n <= 0) {
            close(); // the service closed or reset the connection
            r.open = false;
            return r;
        }
        r.bytes = n;
        r.more = std::size_t(n) == size;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
                timespec ts{};
                std::memcpy(&ts, CMSG_DATA(c), sizeof ts);
                r.stampNs = std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
                r.kernelStamp = true;
            }
        }
        if (!r.kernelStamp)
            r.stampNs = realtimeNs();
        m_in.append(area, n);
        if (!lobbywire::cutLines(m_in, lines)) {
            close();
            r.open = false;
            r.more = false;
        } else if (m_in.capacity() > 4096 && m_in.size() < 1024) {
            // A WATCH answer is read in large pieces; ten thousand clients
            // keeping that room would cost the generator gigabytes.
            m_in.squeeze();
        }
        return r;
    }
}

void LoadClient::close() {
    loadsocket::close(m_fd, m_epollFd);
    m_out.clear();
    m_in.clear();
    stage = Stage::Closed;
}
