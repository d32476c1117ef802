// SPDX-License-Identifier: GPL-3.0-or-later
#include "loadsocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <ctime>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

std::int64_t nowNs(clockid_t clock) {
    timespec ts{};
    ::clock_gettime(clock, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

void setOption(int fd, int level, int name) {
    const int one = 1;
    ::setsockopt(fd, level, name, &one, sizeof one);
}

} // namespace

std::int64_t steadyNs() {
    return nowNs(CLOCK_MONOTONIC);
}

std::int64_t realtimeNs() {
    return nowNs(CLOCK_REALTIME);
}

QByteArray dottedAddress(std::uint32_t address) {
    return QByteArray::number(address >> 24) + '.' + QByteArray::number((address >> 16) & 255) +
           '.' + QByteArray::number((address >> 8) & 255) + '.' + QByteArray::number(address & 255);
}

namespace loadsocket {

sockaddr_in ipv4(std::uint32_t address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address);
    return a;
}

int connectFrom(std::uint32_t source, std::uint32_t address, std::uint16_t port,
                bool receiveStamps) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    setOption(fd, IPPROTO_TCP, TCP_NODELAY);
    if (receiveStamps)
        setOption(fd, SOL_SOCKET, SO_TIMESTAMPNS);
    setOption(fd, IPPROTO_IP, IP_BIND_ADDRESS_NO_PORT);
    const sockaddr_in local = ipv4(source, 0);
    const sockaddr_in to = ipv4(address, port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        (::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 &&
         errno != EINPROGRESS))
        close(fd, -1);
    return fd;
}

bool watch(int epollFd, int op, int fd, std::uint32_t events, void* owner) {
    epoll_event ev{};
    ev.events = events;
    ev.data.ptr = owner;
    return ::epoll_ctl(epollFd, op, fd, &ev) == 0;
}

int connectWatched(std::uint32_t source, std::uint32_t address, std::uint16_t port,
                   bool receiveStamps, int epollFd, void* owner) {
    int fd = connectFrom(source, address, port, receiveStamps);
    if (fd >= 0 && !watch(epollFd, EPOLL_CTL_ADD, fd, EPOLLIN | EPOLLOUT | EPOLLRDHUP, owner))
        close(fd, -1);
    return fd;
}

bool connected(int fd) {
    int error = 0;
    socklen_t size = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

bool flush(int fd, QByteArray& out) {
    while (!out.isEmpty()) {
        const ssize_t n = ::send(fd, out.constData(), size_t(out.size()), MSG_NOSIGNAL);
        if (n > 0)
            out.remove(0, n);
        else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return true;
        else
            return false;
    }
    return true;
}

void close(int& fd, int epollFd) {
    if (fd < 0)
        return;
    if (epollFd >= 0)
        ::epoll_ctl(epollFd, EPOLL_CTL_DEL, fd, nullptr);
    ::close(fd);
    fd = -1;
}

} // namespace loadsocket
