#pragma once
// InviteResolver: asks the lobby service where the table of an invite code
// takes players, over a connection of its own that it closes once answered.
// One question at a time; an answer comes within timeoutMs either way.

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

    // `code` in any form invite::normalize takes; a text that is not a code
    // fails at once (from the event loop, not inside this call).
    void resolve(const QString& code);

signals:
    void resolved(const lobbywire::Found& found);
    // `unknown`: the service knows no table of that code; otherwise it could
    // not be asked (why says so in plain words).
    void failed(const QString& why, bool unknown);

private:
    void onMessage(const lobbywire::Message& message);
    // Ends the question: the link is closed and the result is emitted from
    // the event loop, unless another question has begun by then.
    void finish(std::function<void()> emitResult);
    void fail(const QString& why, bool unknown);
    QString serviceText() const;

    lobbywire::HostPort m_service;
    QString m_program;
    QString m_version;
    ServiceLink* m_link = nullptr;
    QTimer* m_timer = nullptr;
    QString m_code;
    quint64 m_question = 0;
};
