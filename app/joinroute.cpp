// SPDX-License-Identifier: GPL-3.0-or-later
#include "joinroute.h"

#include "lobbyaddress.h"
#include "lobbyreaders.h"

namespace {

// The relay answers with one short line; more without a line end is not it.
constexpr qsizetype kMaxAnswerBytes = 1024;

} // namespace

JoinRoute::JoinRoute(lobbywire::Found found) : m_found(std::move(found)) {
    if (m_found.way == lobbywire::Way::Relay && !m_found.relayHost.isEmpty())
        m_way = Way::Relay;
}

QString JoinRoute::host() const {
    return m_way == Way::Direct ? m_found.address : m_found.relayHost;
}

quint16 JoinRoute::port() const {
    return m_way == Way::Direct ? m_found.port : m_found.relayPort;
}

void JoinRoute::fallBack() {
    m_way = Way::Relay;
    m_fellBack = true;
}

QByteArray JoinRoute::opening() const {
    return lobbywire::relay(m_found.code);
}

JoinRoute::Answer JoinRoute::feed(const QByteArray& bytes) {
    Answer a;
    m_buffer += bytes;
    const qsizetype end = m_buffer.indexOf('\n');
    if (end < 0) {
        if (m_buffer.size() > kMaxAnswerBytes) {
            a.kind = Answer::Kind::Refused;
            a.why = QStringLiteral("The lobby service's relay did not answer as it should.");
        }
        return a;
    }
    QByteArray line = m_buffer.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    a.rest = m_buffer.mid(end + 1);
    m_buffer.clear();
    m_answered = true;
    const lobbywire::Message m = lobbywire::split(line);
    if (lobbywire::isBare(m, lobbywire::name::joined)) {
        a.kind = Answer::Kind::Joined;
        return a;
    }
    a.kind = Answer::Kind::Refused;
    a.rest.clear();
    if (lobbywire::readUnknown(m))
        a.why = QStringLiteral("The lobby service's relay knows no table of the invite code %1 "
                               "(any more).")
                    .arg(m_found.code);
    else if (const auto bye = lobbywire::readBye(m))
        a.why = QStringLiteral("The lobby service's relay could not join you to the table: %1")
                    .arg(bye->text);
    else
        a.why = QStringLiteral("The lobby service's relay did not answer as it should.");
    return a;
}

QString JoinRoute::joiningLine() const {
    if (m_way == Way::Direct)
        return QStringLiteral("Joining directly at %1.")
            .arg(lobbywire::hostPortText({m_found.address, m_found.port}));
    return QStringLiteral("Joining through the lobby service's relay at %1: the table can't be "
                          "reached directly.")
        .arg(lobbywire::hostPortText({m_found.relayHost, m_found.relayPort}));
}

QString JoinRoute::fallBackLine(const QString& why) const {
    return QStringLiteral("The table did not answer directly (%1); joining through the lobby "
                          "service's relay at %2.")
        .arg(why, lobbywire::hostPortText({m_found.relayHost, m_found.relayPort}));
}
