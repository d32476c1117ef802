#include "netsupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace nettest {

bool waitUntil(const std::function<bool()>& pred, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired()) {
            return pred();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(1);
    }
    return true;
}

void settle(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qSleep(1);
    }
}

void sleepWithoutEvents(int ms) {
    QTest::qSleep(ms);
}

void Recorder::attach(TSock& s, bool withInfo) {
    auto add = [r = record](TSock* sender, const QString& line) {
        r->lines << line;
        r->senders << sender;
    };
    if (withInfo) {
        s.OnInfo = [add](TSock* sender, TSocketInfo kind, const QString& msg) {
            add(sender, socketInfoName(kind) + QStringLiteral(": ") + msg);
        };
    }
    s.OnConnect = [add](TSock* sender) { add(sender, QStringLiteral("OnConnect")); };
    s.OnDisconnect = [add](TSock* sender) { add(sender, QStringLiteral("OnDisconnect")); };
    s.OnWrite = [add](TSock* sender) { add(sender, QStringLiteral("OnWrite")); };
    s.OnAccept = [add](TSock* sender) { add(sender, QStringLiteral("OnAccept")); };
    s.OnRead = [add](TSock* sender, int count) {
        add(sender, QStringLiteral("OnRead %1").arg(count));
    };
}

RawSocket& RawSocket::operator=(RawSocket&& o) noexcept {
    if (this != &o) {
        close();
        m_fd = o.m_fd;
        o.m_fd = -1;
    }
    return *this;
}

RawSocket::~RawSocket() {
    close();
}

static sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

static int boundSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopback(0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        throw std::runtime_error("test socket: bind failed");
    }
    return fd;
}

RawSocket RawSocket::listener() {
    RawSocket s(boundSocket());
    if (::listen(s.m_fd, 16) != 0) {
        throw std::runtime_error("test socket: listen failed");
    }
    return s;
}

RawSocket RawSocket::boundOnly() {
    return RawSocket(boundSocket());
}

RawSocket RawSocket::connectTo(std::uint16_t port) {
    RawSocket s(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const sockaddr_in a = loopback(port);
    if (::connect(s.m_fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        throw std::runtime_error("test socket: connect failed");
    }
    return s;
}

std::uint16_t RawSocket::port() const {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
}

RawSocket RawSocket::accept(int timeoutMs) {
    pollfd p{m_fd, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) {
        return RawSocket();
    }
    return RawSocket(::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC));
}

void RawSocket::sendAll(const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::send(m_fd, data.constData() + done,
                                 static_cast<size_t>(data.size() - done), MSG_NOSIGNAL);
        if (n <= 0) {
            throw std::runtime_error("test socket: send failed");
        }
        done += n;
    }
}

QByteArray RawSocket::readAvailable() {
    QByteArray out;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n <= 0) {
            return out;
        }
        out.append(buf, n);
    }
}

QByteArray RawSocket::readExactly(qsizetype total, int timeoutMs) {
    QByteArray out;
    waitUntil(
        [&] {
            out += readAvailable();
            return out.size() >= total;
        },
        timeoutMs);
    return out;
}

bool RawSocket::sawEnd() {
    char b;
    return ::recv(m_fd, &b, 1, MSG_DONTWAIT) == 0;
}

void RawSocket::close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void RawSocket::resetClose() {
    linger l{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    close();
}

} // namespace nettest
