// SPDX-License-Identifier: GPL-3.0-or-later
#include "discoveryprobe.h"

#include "lobbyreaders.h"
#include "serviceprocess.h"
#include "tablehost.h"
#include "version.h"

#include <QSocketNotifier>
#include <QTimer>

#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kAskers = 10;
// 40 queries a second in all, 4 from each address.
constexpr int kAskEveryMs = 25;
const QString kTableName = QStringLiteral("Bench LAN table");

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

DiscoveryProbe::DiscoveryProbe(QObject* parent) : QObject(parent), m_timer(new QTimer(this)) {
    connect(m_timer, &QTimer::timeout, this, &DiscoveryProbe::ask);
}

DiscoveryProbe::~DiscoveryProbe() {
    for (QSocketNotifier* n : m_notifiers)
        delete n;
    for (int fd : m_fds)
        ::close(fd);
}

bool DiscoveryProbe::start(QString& error) {
    m_port = freePort(SOCK_DGRAM);
    HostedTableOptions options;
    options.tableName = kTableName;
    options.gamePort = 7772;
    options.gameVersion = QLatin1String(wire::kVersion);
    options.discoveryPort = m_port; // no listing: nothing goes to any service
    m_host = std::make_unique<TableHost>(options);
    lobbywire::TableState state;
    state.seated = 3;
    state.hostName = QStringLiteral("Bench host");
    m_host->setState(state);
    m_host->start();
    if (m_port == 0 || !m_host->answeringDiscovery()) {
        error = QStringLiteral("the discovery responder could not bind a UDP port");
        return false;
    }
    for (int i = 0; i < kAskers; ++i) {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(0x7F030000u | std::uint32_t(i + 1));
        if (fd < 0 || ::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            error = QStringLiteral("a discovery asker could not bind 127.3.0.%1").arg(i + 1);
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        m_fds.push_back(fd);
        auto* n = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read);
        connect(n, &QSocketNotifier::activated, this, [this, fd] { onReadable(fd); });
        m_notifiers.push_back(n);
    }
    m_timer->start(kAskEveryMs);
    return true;
}

void DiscoveryProbe::stop() {
    m_timer->stop();
    QTimer::singleShot(1000, this, [this] {
        m_unanswered += int(m_pending.size());
        m_pending.clear();
        m_finished = true;
        emit done();
    });
}

void DiscoveryProbe::ask() {
    // A query unanswered for a second will not be answered in time.
    const std::int64_t now = nowNs();
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (now - it->second > 1'000'000'000) {
            ++m_unanswered;
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
    const QString token = QStringLiteral("b%1").arg(m_asked++);
    const QByteArray datagram = lobbywire::query(token);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(m_port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int fd = m_fds[m_next++ % m_fds.size()];
    m_pending[token] = nowNs();
    ::sendto(fd, datagram.constData(), size_t(datagram.size()), 0,
             reinterpret_cast<const sockaddr*>(&to), sizeof to);
}

void DiscoveryProbe::onReadable(int fd) {
    char area[2048];
    for (;;) {
        const ssize_t n = ::recv(fd, area, sizeof area, 0);
        if (n < 0)
            return;
        const std::int64_t at = nowNs();
        const auto answer = lobbywire::readAnswer(QByteArray(area, n));
        if (!answer || answer->tableName != kTableName || answer->port != 7772) {
            ++m_wrong;
            continue;
        }
        // An answer after its second was counted unanswered already.
        const auto it = m_pending.find(answer->token);
        if (it == m_pending.end())
            continue;
        m_rtts.push_back(at - it->second);
        m_pending.erase(it);
    }
}
