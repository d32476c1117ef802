// SPDX-License-Identifier: GPL-3.0-or-later
#include "benchclient.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

BenchClient::BenchClient(int host, std::uint16_t port) {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(0x7F000000u | std::uint32_t(host));
    ::bind(m_fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        shut();
        return;
    }
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
}

BenchClient::~BenchClient() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void BenchClient::shut() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_closedAt = nowMicros();
}

bool BenchClient::send(const QByteArray& bytes) {
    if (m_fd < 0)
        return false;
    const ssize_t n = ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL);
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
        shut();
        return false;
    }
    return n == bytes.size();
}

void BenchClient::read() {
    char area[65536];
    while (m_fd >= 0) {
        const ssize_t n = ::recv(m_fd, area, sizeof area, 0);
        if (n > 0) {
            const Micros at = nowMicros();
            m_buffer.append(area, n);
            qsizetype end;
            while ((end = m_buffer.indexOf('\xFF')) >= 0) {
                m_arrivals.append({m_buffer.left(end), at});
                m_buffer.remove(0, end + 1);
            }
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;
        shut(); // the server closed or reset the connection
    }
}

QList<BenchClient::Arrival> BenchClient::take() {
    QList<Arrival> out;
    out.swap(m_arrivals);
    return out;
}
