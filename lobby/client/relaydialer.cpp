// SPDX-License-Identifier: GPL-3.0-or-later
#include "relaydialer.h"

#include "lobbymessages.h"
#include "lobbyreaders.h"
#include "tsock.h"

#include <QTimer>

namespace {

// The service answers with one line; anything longer is not the service.
constexpr qsizetype kMaxAnswerBytes = 1024;

} // namespace

RelayDialer::RelayDialer(const QString& service, quint16 port, const QString& ticket,
                         const QString& player, QObject* parent)
    : QObject(parent), m_service(service), m_port(port), m_ticket(ticket), m_player(player),
      m_sock(new TSock(this)), m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("the lobby service did not answer within %1 seconds")
                 .arg(lobbywire::kTicketSeconds));
    });
}

RelayDialer::~RelayDialer() = default;

void RelayDialer::start() {
    m_sock->OnRead = [this](TSock*, int) { onRead(); };
    m_sock->OnReport = [this](TSock*, const TSockReport& report) {
        if (report.event == TSockEvent::Closed)
            fail(QStringLiteral("the lobby service closed the connection"));
        else if (report.kind == TSocketInfo::Error)
            fail(report.text);
    };
    m_timer->start(lobbywire::kTicketSeconds * 1000);
    try {
        m_sock->setHostName(m_service);
        m_sock->setPortName(QString::number(m_port));
        m_sock->Open();
        // Sent as soon as the connection is made.
        m_sock->Send(lobbywire::ticket(m_ticket));
    } catch (const std::exception& e) {
        const QString why = QString::fromLocal8Bit(e.what());
        QTimer::singleShot(0, this, [this, why] { fail(why); });
    }
}

void RelayDialer::onRead() {
    if (m_done)
        return;
    m_buffer += m_sock->Receive();
    const qsizetype end = m_buffer.indexOf('\n');
    if (end < 0) {
        if (m_buffer.size() > kMaxAnswerBytes)
            fail(QStringLiteral("the lobby service's answer was not understood"));
        return;
    }
    QByteArray line = m_buffer.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    const lobbywire::Message m = lobbywire::split(line);
    if (!lobbywire::isBare(m, lobbywire::name::joined)) {
        const auto bye = lobbywire::readBye(m);
        fail(bye ? bye->text : QStringLiteral("the lobby service's answer was not understood"));
        return;
    }
    m_done = true;
    m_timer->stop();
    const QByteArray early = m_buffer.mid(end + 1);
    TSock* sock = m_sock;
    m_sock = nullptr;
    sock->OnRead = nullptr;
    sock->OnReport = nullptr;
    sock->setParent(nullptr);
    emit joined(sock, m_player, early);
}

void RelayDialer::fail(const QString& why) {
    if (m_done)
        return;
    m_done = true;
    m_timer->stop();
    if (m_sock) {
        m_sock->OnRead = nullptr;
        m_sock->OnReport = nullptr;
        m_sock->Close();
    }
    emit failed(why);
}
