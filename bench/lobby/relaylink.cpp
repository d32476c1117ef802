// SPDX-License-Identifier: GPL-3.0-or-later
#include "relaylink.h"

#include <arpa/inet.h>
#include <cerrno>
#include <ctime>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool wouldBlock() {
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

void setOption(int fd, int level, int name) {
    const int one = 1;
    ::setsockopt(fd, level, name, &one, sizeof one);
}

sockaddr_in ipv4(std::uint32_t address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address);
    return a;
}

} // namespace

std::int64_t steadyNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

QByteArray dottedAddress(std::uint32_t address) {
    return QByteArray::number(address >> 24) + '.' + QByteArray::number((address >> 16) & 255) +
           '.' + QByteArray::number((address >> 8) & 255) + '.' + QByteArray::number(address & 255);
}

RelayLink::RelayLink(Role role, int index, int table, std::uint32_t source)
    : role(role), index(index), table(table), source(source) {}

RelayLink::~RelayLink() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RelayLink::connectTo(std::uint32_t address, std::uint16_t port, int epollFd) {
    m_epollFd = epollFd;
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        stage = Stage::Closed;
        return false;
    }
    // A game sends a word as soon as it is typed; so does the bench.
    setOption(m_fd, IPPROTO_TCP, TCP_NODELAY);
    // The port is picked at connect(), per destination, so that the many
    // connections of one source address never run short of ports.
    setOption(m_fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT);
    const sockaddr_in local = ipv4(source, 0);
    const sockaddr_in to = ipv4(address, port);
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
    m_watchingOut = true;
    return ::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, m_fd, &ev) == 0;
}

bool RelayLink::listen(int epollFd) {
    m_epollFd = epollFd;
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const sockaddr_in local = ipv4(source, 0);
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(m_fd, 64) != 0) {
        close();
        return false;
    }
    stage = Stage::Open;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.ptr = this;
    return ::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, m_fd, &ev) == 0;
}

bool RelayLink::adopt(int fd, int epollFd) {
    m_epollFd = epollFd;
    m_fd = fd;
    setOption(m_fd, IPPROTO_TCP, TCP_NODELAY);
    stage = Stage::Open;
    epoll_event ev{};
    ev.events = EPOLLIN | EPOLLRDHUP;
    ev.data.ptr = this;
    return ::epoll_ctl(m_epollFd, EPOLL_CTL_ADD, m_fd, &ev) == 0;
}

bool RelayLink::finishConnect() {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
        close();
        return false;
    }
    stage = Stage::Open;
    watch();
    return true;
}

std::uint16_t RelayLink::localPort() const {
    sockaddr_in a{};
    socklen_t size = sizeof a;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &size) != 0)
        return 0;
    return ntohs(a.sin_port);
}

bool RelayLink::send(const QByteArray& bytes) {
    if (m_fd < 0)
        return false;
    m_out.append(bytes);
    return stage == Stage::Connecting || flush();
}

bool RelayLink::flush() {
    while (m_fd >= 0 && !m_out.isEmpty()) {
        const ssize_t n = ::send(m_fd, m_out.constData(), size_t(m_out.size()), MSG_NOSIGNAL);
        if (n > 0) {
            m_out.remove(0, n);
            continue;
        }
        if (n < 0 && wouldBlock())
            break;
        close();
        return false;
    }
    if (m_out.isEmpty() && m_shutdownPending) {
        m_shutdownPending = false;
        ::shutdown(m_fd, SHUT_WR);
    }
    watch();
    return true;
}

ssize_t RelayLink::writeSome(const char* data, std::size_t size) {
    if (m_fd < 0)
        return -1;
    const ssize_t n = ::send(m_fd, data, size, MSG_NOSIGNAL);
    if (n >= 0)
        return n;
    if (wouldBlock())
        return 0;
    close();
    return -1;
}

void RelayLink::wantWrites(bool on) {
    m_writes = on;
    watch();
}

ssize_t RelayLink::receive(char* area, std::size_t size) {
    if (m_fd < 0)
        return -1;
    for (;;) {
        const ssize_t n = ::recv(m_fd, area, size, 0);
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? -2 : -1;
    }
}

void RelayLink::shutdownWrites() {
    if (m_fd < 0)
        return;
    if (m_out.isEmpty())
        ::shutdown(m_fd, SHUT_WR);
    else
        m_shutdownPending = true;
}

void RelayLink::close() {
    if (m_fd >= 0) {
        if (m_epollFd >= 0)
            ::epoll_ctl(m_epollFd, EPOLL_CTL_DEL, m_fd, nullptr);
        ::close(m_fd);
    }
    m_fd = -1;
    m_out.clear();
    in.clear();
    stage = Stage::Closed;
}

// EPOLLOUT only while something waits for room, so that an idle connection
// costs the loop nothing.
void RelayLink::watch() {
    if (m_fd < 0 || role == Role::GamePort || stage == Stage::Connecting)
        return;
    const bool out = m_writes || !m_out.isEmpty();
    if (out == m_watchingOut)
        return;
    epoll_event ev{};
    ev.events = EPOLLIN | EPOLLRDHUP | (out ? EPOLLOUT : 0u);
    ev.data.ptr = this;
    ::epoll_ctl(m_epollFd, EPOLL_CTL_MOD, m_fd, &ev);
    m_watchingOut = out;
}
