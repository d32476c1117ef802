// SPDX-License-Identifier: GPL-3.0-or-later
#include "httpcli.h"

#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

THttpCli::THttpCli(QObject* parent) : QObject(parent), m_manager(new QNetworkAccessManager(this)) {
    m_manager->setProxy(QNetworkProxy::NoProxy);
}

bool THttpCli::Get() {
    if (busy())
        return false;
    RcvdCount = 0;
    m_bodyStarted = false;
    m_failure.clear();
    const quint64 get = ++m_gets;

    QNetworkRequest request{QUrl(URL)};
    request.setHeader(QNetworkRequest::UserAgentHeader, Agent);
    request.setRawHeader("Accept", Accept.toLatin1());
    // The body as the server stores it, so its length is the announced one.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = m_manager->get(request);
    m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, &THttpCli::headersArrived);
    connect(reply, &QNetworkReply::readyRead, this, &THttpCli::bodyArrived);
    // The outcome is told from the event loop, never from inside the reply's
    // own signal: whoever hears it may start another get or delete anything.
    connect(
        reply, &QNetworkReply::finished, this, [this, get] { replyFinished(get); },
        Qt::QueuedConnection);
    return true;
}

void THttpCli::Abort() {
    if (!m_reply)
        return;
    m_reply->disconnect(this);
    m_reply->abort();
    release();
    emit failed(QStringLiteral("The download was stopped"));
}

void THttpCli::release() {
    if (QNetworkReply* reply = m_reply) {
        reply->disconnect(this);
        reply->deleteLater();
    }
    m_reply.clear();
}

qint64 THttpCli::announcedLength() const {
    const QVariant length =
        m_reply ? m_reply->header(QNetworkRequest::ContentLengthHeader) : QVariant();
    return length.isValid() ? length.toLongLong() : -1;
}

void THttpCli::headersArrived() {
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        emit headerData("HTTP " + QByteArray::number(status.toInt()) + ' ' +
                        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    }
    for (const auto& [name, value] : reply->rawHeaderPairs())
        emit headerData(name + ": " + value);
}

void THttpCli::bodyArrived() {
    QNetworkReply* reply = m_reply;
    if (!reply || !m_failure.isEmpty())
        return;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // The body of a refusal is the server's error page, not the document.
    if (status < 200 || status > 299) {
        reply->readAll();
        return;
    }
    const QByteArray data = reply->readAll();
    if (data.isEmpty())
        return;
    if (!m_bodyStarted) {
        m_bodyStarted = true;
        emit docBegin();
    }
    // A destination that refuses the bytes (a full disk) makes the transfer a
    // failure: a document with a hole in it must never pass for a complete one.
    if (RcvdStream && RcvdStream->write(data) != data.size()) {
        m_failure = QStringLiteral("The received data could not be stored");
        reply->abort();
        return;
    }
    RcvdCount += data.size();
    emit progress(RcvdCount, announcedLength());
}

void THttpCli::replyFinished(quint64 get) {
    QNetworkReply* reply = m_reply;
    // A get stopped or abandoned since has had its outcome.
    if (!reply || get != m_gets)
        return;
    bodyArrived(); // what the last read left
    QString failure = m_failure;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const qint64 announced = announcedLength();
    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
        failure = reply->errorString();
    if (failure.isEmpty() && (status < 200 || status > 299))
        failure = QStringLiteral("HTTP status %1").arg(status);
    // The connection closed before the end of the document.
    if (failure.isEmpty() && announced >= 0 && RcvdCount != announced)
        failure = QStringLiteral("The connection closed after %1 of %2 bytes")
                      .arg(RcvdCount)
                      .arg(announced);
    release();
    if (failure.isEmpty())
        emit finished(RcvdCount);
    else
        emit failed(failure);
}
