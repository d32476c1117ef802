// SPDX-License-Identifier: GPL-3.0-or-later
#include "inviteresolver.h"

#include "servicelink.h"

#include <QTimer>

InviteResolver::InviteResolver(lobbywire::HostPort service, QString program, QString version,
                               QObject* parent)
    : QObject(parent), m_service(std::move(service)), m_program(std::move(program)),
      m_version(std::move(version)), m_timer(new QTimer(this)) {
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        instanceFailed(serviceText() + QStringLiteral(" did not answer within %1 s.")
                                           .arg(QString::number(timeoutMs / 1000.0, 'g', 3)));
    });
}

InviteResolver::~InviteResolver() = default;

void InviteResolver::resolve(const QString& code) {
    // A question still open is dropped unanswered: one at a time.
    ++m_question;
    m_timer->stop();
    ServiceLink::release(m_link, this);
    const auto normal = lobbywire::invite::normalize(code, true);
    if (!normal) {
        fail(QStringLiteral("\"%1\" is not an invite code: a code looks like +K7Q2-M9XD.")
                 .arg(lobbywire::fieldText(lobbywire::shownText(code), lobbywire::kMaxNameChars)
                          .trimmed()),
             false);
        return;
    }
    m_code = *normal;
    m_instance = 0;
    ask();
}

void InviteResolver::ask() {
    ServiceLink::Options options;
    options.service = current();
    options.program = m_program;
    options.version = m_version;
    options.reconnect = false;
    options.connectTimeoutMs = std::min(options.connectTimeoutMs, timeoutMs);
    m_link = new ServiceLink(options, this);
    connect(m_link, &ServiceLink::opened, this,
            [this] { m_link->send(lobbywire::resolve(m_code)); });
    connect(m_link, &ServiceLink::message, this, &InviteResolver::onMessage);
    connect(m_link, &ServiceLink::lost, this, &InviteResolver::instanceFailed);
    connect(m_link, &ServiceLink::refused, this, &InviteResolver::instanceFailed);
    m_timer->start(timeoutMs);
    m_link->open();
}

void InviteResolver::instanceFailed(const QString& why) {
    if (m_instance >= alternates.size()) {
        fail(why, false);
        return;
    }
    m_timer->stop();
    ServiceLink::release(m_link, this);
    ++m_instance;
    // From the event loop: this may run inside the old link's own signal.
    const quint64 question = m_question;
    QTimer::singleShot(0, this, [this, question] {
        if (question == m_question)
            ask();
    });
}

void InviteResolver::onMessage(const lobbywire::Message& message) {
    if (const auto found = lobbywire::readFound(message)) {
        if (found->code != m_code)
            return;
        const lobbywire::Found result = *found;
        finish([this, result] { emit resolved(result); });
    } else if (const auto unknown = lobbywire::readUnknown(message)) {
        if (*unknown != m_code)
            return;
        fail(QStringLiteral("No table has the invite code %1.").arg(m_code), true);
    } else if (const auto error = lobbywire::readError(message)) {
        if (error->word == QLatin1String("resolve"))
            fail(error->text, false);
    }
}

void InviteResolver::fail(const QString& why, bool unknown) {
    finish([this, why, unknown] { emit failed(why, unknown); });
}

void InviteResolver::finish(std::function<void()> emitResult) {
    m_timer->stop();
    ServiceLink::release(m_link, this);
    const quint64 question = m_question;
    QTimer::singleShot(0, this, [this, question, emitResult = std::move(emitResult)] {
        if (question == m_question)
            emitResult();
    });
}

lobbywire::HostPort InviteResolver::current() const {
    return m_instance == 0 ? m_service : alternates.value(m_instance - 1);
}

QString InviteResolver::serviceText() const {
    return QStringLiteral("The lobby service at ") + lobbywire::hostPortText(current());
}
