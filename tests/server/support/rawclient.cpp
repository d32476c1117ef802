#include "rawclient.h"

#include "protocol.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

RawClient::RawClient(std::uint16_t port, int receiveBuffer, std::uint8_t sourceHost) {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        throw std::runtime_error("socket");
    if (receiveBuffer > 0)
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    if (sourceHost > 0) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(0x7F000000u | sourceHost);
        if (::bind(m_fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            ::close(m_fd);
            m_fd = -1;
            throw std::runtime_error("bind");
        }
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // The kernel completes a loopback connect from the listen backlog, before
    // the server's event loop accepts it, so a blocking connect never waits on us.
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(m_fd);
        m_fd = -1;
        throw std::runtime_error("connect");
    }
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
}

RawClient::~RawClient() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void RawClient::send(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size() && m_fd >= 0) {
        const ssize_t n =
            ::send(m_fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, 10);
        } else {
            return; // the server dropped us; what remains is lost, as on a real line
        }
    }
}

bool RawClient::poll() {
    if (m_fd < 0 || !m_reading)
        return false;
    bool got = false;
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            m_buffer.append(chunk, n);
            got = true;
        } else if (n == 0) {
            m_peerClosed = true;
            break;
        } else {
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
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
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void RawClient::reset() {
    if (m_fd < 0)
        return;
    linger lg{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    ::close(m_fd);
    m_fd = -1;
}
