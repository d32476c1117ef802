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

} // namespace

RelayLink::RelayLink(Role role, int index, int table, std::uint32_t source)
    : role(role), index(index), table(table), source(source) {}

RelayLink::~RelayLink() {
    loadsocket::close(m_fd, -1);
}

bool RelayLink::connectTo(std::uint32_t address, std::uint16_t port, int epollFd) {
    m_epollFd = epollFd;
    m_fd = loadsocket::connectWatched(source, address, port, false, epollFd, this);
    if (m_fd < 0) {
        stage = Stage::Closed;
        return false;
    }
    stage = Stage::Connecting;
    m_watchingOut = true;
    return true;
}

bool RelayLink::listen(int epollFd) {
    m_epollFd = epollFd;
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const sockaddr_in local = loadsocket::ipv4(source, 0);
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(m_fd, 64) != 0) {
        close();
        return false;
    }
    stage = Stage::Open;
    return loadsocket::watch(m_epollFd, EPOLL_CTL_ADD, m_fd, EPOLLIN, this);
}

bool RelayLink::adopt(int fd, int epollFd) {
    m_epollFd = epollFd;
    m_fd = fd;
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    stage = Stage::Open;
    return loadsocket::watch(m_epollFd, EPOLL_CTL_ADD, m_fd, EPOLLIN | EPOLLRDHUP, this);
}

bool RelayLink::finishConnect() {
    if (!loadsocket::connected(m_fd)) {
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
    if (m_fd >= 0 && !loadsocket::flush(m_fd, m_out)) {
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
    loadsocket::close(m_fd, m_epollFd);
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
    loadsocket::watch(m_epollFd, EPOLL_CTL_MOD, m_fd, EPOLLIN | EPOLLRDHUP | (out ? EPOLLOUT : 0u),
                      this);
    m_watchingOut = out;
}
