// SPDX-License-Identifier: GPL-3.0-or-later
#include "loadclient.h"

#include "lobbyreaders.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

std::int64_t realtimeNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

std::int64_t steadyNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

LoadClient::LoadClient(Role role, int index, int slot, std::uint32_t source)
    : role(role), index(index), slot(slot), source(source) {}

LoadClient::~LoadClient() {
    if (m_fd >= 0)
        ::close(m_fd);
}

QString addressText(std::uint32_t address) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 255)
        .arg((address >> 8) & 255)
        .arg(address & 255);
}

QString LoadClient::sourceText() const {
    return addressText(source);
}

bool LoadClient::start(std::uint16_t port, int epollFd) {
    m_epollFd = epollFd;
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        stage = Stage::Closed;
        return false;
    }
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    ::setsockopt(m_fd, SOL_SOCKET, SO_TIMESTAMPNS, &one, sizeof one);
    // The port is chosen at connect(), per destination, so thousands of
    // clients on one source address never run out of ports.
    ::setsockopt(m_fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(source);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        (::connect(m_fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 &&
         errno != EINPROGRESS)) {
        close();
        return false;
    }
    stage = Stage::Connecting;
    epoll_event ev{};
    ev.events = EPOLLIN | EPOLLOUT | EPOLLRDHUP;
    ev.data.ptr = this;
    ::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, m_fd, &ev);
    m_writeWatched = true;
    return true;
}

bool LoadClient::finishConnect() {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
        close();
        return false;
    }
    return true;
}

void LoadClient::setEvents(int epollFd) {
    const bool want = wantsWrite();
    if (want == m_writeWatched || m_fd < 0)
        return;
    epoll_event ev{};
    ev.events = EPOLLIN | EPOLLRDHUP | (want ? EPOLLOUT : 0u);
    ev.data.ptr = this;
    ::epoll_ctl(epollFd, EPOLL_CTL_MOD, m_fd, &ev);
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
    while (m_fd >= 0 && !m_out.isEmpty()) {
        const ssize_t n = ::send(m_fd, m_out.constData(), size_t(m_out.size()), MSG_NOSIGNAL);
        if (n > 0) {
            m_out.remove(0, n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            break;
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
    if (m_fd >= 0) {
        if (m_epollFd >= 0)
            ::epoll_ctl(m_epollFd, EPOLL_CTL_DEL, m_fd, nullptr);
        ::close(m_fd);
    }
    m_fd = -1;
    m_out.clear();
    m_in.clear();
    stage = Stage::Closed;
}
