// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// InviteResolver: asks the lobby service where the table of an invite code
// takes players, over a connection of its own that it closes once answered.
// One question at a time; an answer comes within timeoutMs either way. With
// several instances of the service, one that can't be reached or does not
// answer in time passes the question to the next (each has timeoutMs); their
// store is shared, so the first answer holds.

#include "lobbyaddress.h"
#include "lobbyreaders.h"

#include <QObject>
#include <QString>

#include <functional>

class ServiceLink;
class QTimer;

class InviteResolver : public QObject {
    Q_OBJECT
public:
    InviteResolver(lobbywire::HostPort service, QString program, QString version,
                   QObject* parent = nullptr);
    ~InviteResolver() override;

    int timeoutMs = 10'000;
    // Other instances of the same service, asked in turn after the first.
    QList<lobbywire::HostPort> alternates;

    // `code` in any form invite::normalize takes; a text that is not a code
    // fails at once (from the event loop, not inside this call).
    void resolve(const QString& code);

signals:
    void resolved(const lobbywire::Found& found);
    // `unknown`: the service knows no table of that code; otherwise it could
    // not be asked (why says so in plain words).
    void failed(const QString& why, bool unknown);

private:
    void ask();
    // The instance asked could not answer: the next is asked, or the
    // question fails when none is left.
    void instanceFailed(const QString& why);
    void onMessage(const lobbywire::Message& message);
    // Ends the question: the link is closed and the result is emitted from
    // the event loop, unless another question has begun by then.
    void finish(std::function<void()> emitResult);
    void fail(const QString& why, bool unknown);
    QString serviceText() const;
    lobbywire::HostPort current() const;

    lobbywire::HostPort m_service;
    int m_instance = 0; // 0: m_service; 1..: alternates
    QString m_program;
    QString m_version;
    ServiceLink* m_link = nullptr;
    QTimer* m_timer = nullptr;
    QString m_code;
    quint64 m_question = 0;
};
