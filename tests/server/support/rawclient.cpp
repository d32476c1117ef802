// SPDX-License-Identifier: GPL-3.0-or-later
#include "rawclient.h"

#include "protocol.h"

#include "sysock.h"

#include <chrono>
#include <stdexcept>
#include <thread>

RawClient::RawClient(std::uint16_t port, int receiveBuffer, std::uint8_t sourceHost) {
    static const bool started = sysock::startup();
    m_fd = started ? sysock::open(true) : sysock::kNone;
    if (m_fd == sysock::kNone)
        throw std::runtime_error("socket");
    if (receiveBuffer > 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
                     sizeof receiveBuffer);
    if (sourceHost > 0) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(0x7F000000u | sourceHost);
        if (!sysock::bind(m_fd, local)) {
            sysock::close(m_fd);
            m_fd = sysock::kNone;
            throw std::runtime_error("bind");
        }
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The kernel completes a loopback connect from the listen backlog, before
    // the server's event loop accepts it, so a blocking connect never waits on us.
    if (sysock::connect(m_fd, addr) != 0) {
        sysock::close(m_fd);
        m_fd = sysock::kNone;
        throw std::runtime_error("connect");
    }
    sysock::setNonBlocking(m_fd, true);
}

RawClient::~RawClient() {
    if (m_fd != sysock::kNone)
        sysock::close(m_fd);
}

void RawClient::send(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size() && m_fd != sysock::kNone) {
        const std::int64_t n =
            sysock::send(m_fd, bytes.constData() + done, std::size_t(bytes.size() - done), false);
        if (n > 0) {
            done += n;
        } else if (n < 0 && (sysock::lastError() == sysock::kWouldBlock ||
                             sysock::lastError() == sysock::kInterrupted)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        } else {
            return; // the server dropped us; what remains is lost, as on a real line
        }
    }
}

bool RawClient::poll() {
    if (m_fd == sysock::kNone || !m_reading)
        return false;
    bool got = false;
    char chunk[4096];
    for (;;) {
        const std::int64_t n = sysock::receive(m_fd, chunk, sizeof chunk);
        if (n > 0) {
            m_buffer.append(chunk, n);
            got = true;
        } else if (n == 0) {
            m_peerClosed = true;
            break;
        } else {
            const int error = sysock::lastError();
            if (error != sysock::kWouldBlock && error != sysock::kInterrupted)
                m_peerClosed = true;
            break;
        }
    }
    wire::cutMessages(m_buffer, messages);
    return got;
}

QList<QByteArray> RawClient::withCommand(const QByteArray& command) const {
    QList<QByteArray> out;
    for (const QByteArray& m : messages)
        if (wire::splitCommand(m).command == command)
            out.append(m);
    return out;
}

void RawClient::close() {
    if (m_fd != sysock::kNone)
        sysock::close(m_fd);
    m_fd = sysock::kNone;
}

void RawClient::reset() {
    if (m_fd == sysock::kNone)
        return;
    linger lg{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&lg), sizeof lg);
    sysock::close(m_fd);
    m_fd = sysock::kNone;
}
