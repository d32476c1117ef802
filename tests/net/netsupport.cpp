// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>

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

// Whether a typed report's text is the one its event stands for.
bool textFits(const TSockReport& r) {
    auto oneOf = [&r](std::initializer_list<const char*> texts) {
        for (const char* t : texts)
            if (r.text == QLatin1String(t))
                return true;
        return false;
    };
    switch (r.event) {
    case TSockEvent::HostLookup:
        return r.text.startsWith(QLatin1String("Lookup Of Host "));
    case TSockEvent::PortLookup:
        return r.text.startsWith(QLatin1String("Lookup Of Port "));
    case TSockEvent::ChangeIgnored:
        return oneOf({"Setting HostName While Connected Has No Effect",
                      "Setting PortName While Connected Has No Effect"});
    case TSockEvent::Connected:
        return oneOf({"Non-Blocking Socket Connected", "Blocking Socket Connected",
                      "Datagram Socket Connected"});
    case TSockEvent::CannotConnect:
        return oneOf({"Blocking Socket Can't Connect"});
    case TSockEvent::Closed:
        return oneOf({"Socket Closed"});
    case TSockEvent::PeerClosed:
        return oneOf({"Socket Disconnected On Receive"});
    case TSockEvent::ListeningStarted:
        return oneOf({"Listening Started"});
    case TSockEvent::ListeningStopped:
        return oneOf({"Listening Stopped"});
    case TSockEvent::AlreadyListening:
        return oneOf({"Listening Already Running"});
    case TSockEvent::AcceptWaiting:
        return oneOf({"Blocking Accept"});
    case TSockEvent::Accepted:
        return oneOf({"Created New TSock Structure"});
    case TSockEvent::AcceptFailed:
        return oneOf({"Could Not Accept Connection"});
    case TSockEvent::DataIn:
        return oneOf({"Non-Blocking Incoming Data", "Blocking Incoming Data"});
    case TSockEvent::DataOut:
        return oneOf({"Non-Blocking Outgoing Data", "Blocking Outgoing Data"});
    case TSockEvent::SystemError:
        return r.error != 0 &&
               r.text ==
                   QStringLiteral("Error #%1 (%2)").arg(r.error).arg(TSock::errorName(r.error));
    case TSockEvent::SendFailed:
        return oneOf({"Socket Error On Send"});
    case TSockEvent::ReceiveFailed:
        return oneOf({"Socket Error On Receive"});
    }
    return false;
}

void Recorder::attach(TSock& s, bool withInfo) {
    auto add = [r = record](TSock* sender, const QString& line) {
        r->lines << line;
        r->senders << sender;
    };
    if (withInfo) {
        // Every report comes typed first, then as text, the two agreeing.
        s.OnReport = [r = record](TSock*, const TSockReport& report) {
            EXPECT_TRUE(textFits(report)) << int(report.event) << " " << report.text.toStdString();
            r->reports << report;
        };
        s.OnInfo = [add, r = record](TSock* sender, TSocketInfo kind, const QString& msg) {
            EXPECT_FALSE(r->reports.isEmpty()) << msg.toStdString();
            if (!r->reports.isEmpty()) {
                EXPECT_EQ(r->reports.last().text, msg);
                EXPECT_EQ(r->reports.last().kind, kind) << msg.toStdString();
            }
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
        o.m_fd = sysock::kNone;
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

// The peer's plain system socket, through the same thin layer as the
// component's (so it is also a Windows socket there), but none of its logic.
static sysock::Handle openSocket() {
    static const bool started = sysock::startup();
    const sysock::Handle fd = started ? sysock::open(true) : sysock::kNone;
    if (fd == sysock::kNone) {
        throw std::runtime_error("test socket: no socket");
    }
    return fd;
}

static sysock::Handle boundSocket() {
    const sysock::Handle fd = openSocket();
    if (!sysock::bind(fd, loopback(0))) {
        sysock::close(fd);
        throw std::runtime_error("test socket: bind failed");
    }
    return fd;
}

RawSocket RawSocket::listener() {
    RawSocket s(boundSocket());
    if (!sysock::listen(s.m_fd, 16)) {
        throw std::runtime_error("test socket: listen failed");
    }
    return s;
}

RawSocket RawSocket::boundOnly() {
    return RawSocket(boundSocket());
}

RawSocket RawSocket::connectTo(std::uint16_t port) {
    RawSocket s(openSocket());
    if (sysock::connect(s.m_fd, loopback(port)) != 0) {
        throw std::runtime_error("test socket: connect failed");
    }
    return s;
}

std::uint16_t RawSocket::port() const {
    return sysock::localPort(m_fd);
}

RawSocket RawSocket::accept(int timeoutMs) {
    if (sysock::waitReadable(m_fd, timeoutMs) != 1) {
        return RawSocket();
    }
    sockaddr_in caller{};
    return RawSocket(sysock::accept(m_fd, caller));
}

void RawSocket::sendAll(const QByteArray& data) {
    qsizetype done = 0;
    while (done < data.size()) {
        const std::int64_t n = sysock::send(m_fd, data.constData() + done,
                                            static_cast<std::size_t>(data.size() - done), false);
        if (n <= 0) {
            throw std::runtime_error("test socket: send failed");
        }
        done += n;
    }
}

QByteArray RawSocket::readAvailable() {
    QByteArray out;
    char buf[65536];
    while (sysock::waitReadable(m_fd, 0) == 1) {
        const std::int64_t n = sysock::receive(m_fd, buf, sizeof buf);
        if (n <= 0) {
            return out;
        }
        out.append(buf, n);
    }
    return out;
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
    return sysock::waitReadable(m_fd, 0) == 1 && sysock::receive(m_fd, &b, 1) == 0;
}

void RawSocket::close() {
    if (m_fd != sysock::kNone) {
        sysock::close(m_fd);
        m_fd = sysock::kNone;
    }
}

void RawSocket::resetClose() {
    linger l{1, 0};
    ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&l), sizeof l);
    close();
}

} // namespace nettest
