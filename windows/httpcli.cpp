// SPDX-License-Identifier: GPL-3.0-or-later
#include "httpcli.h"

#include <QEventLoop>
#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

THttpCli::THttpCli(QObject* parent) : QObject(parent), m_manager(new QNetworkAccessManager(this)) {
    m_manager->setProxy(QNetworkProxy::NoProxy);
}

void THttpCli::Get() {
    if (busy())
        throw EHttpException("Connection busy");
    RcvdCount = 0;
    m_bodyStarted = false;
    m_success = false;
    m_failure.clear();

    QNetworkRequest request{QUrl(URL)};
    request.setHeader(QNetworkRequest::UserAgentHeader, Agent);
    request.setRawHeader("Accept", Accept.toLatin1());
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply* reply = m_manager->get(request);
    m_reply = reply;

    QEventLoop loop;
    connect(reply, &QNetworkReply::metaDataChanged, this, &THttpCli::headersArrived);
    connect(reply, &QNetworkReply::readyRead, this, &THttpCli::bodyArrived);
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    bodyArrived();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_failure.isEmpty()) { // else the body could not be stored
        if (reply->error() != QNetworkReply::NoError)
            m_failure = reply->errorString();
        else if (status < 200 || status > 299)
            m_failure = QStringLiteral("HTTP status %1").arg(status);
    }
    reply->deleteLater();
    m_reply.clear();
    if (!m_failure.isEmpty())
        throw EHttpException(m_failure.toStdString());
}

void THttpCli::Abort() {
    if (m_reply)
        m_reply->abort();
}

void THttpCli::headersArrived() {
    QNetworkReply* reply = m_reply;
    if (!reply || !OnHeaderData)
        return;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid()) {
        OnHeaderData("HTTP " + QByteArray::number(status.toInt()) + ' ' +
                     reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    }
    for (const auto& [name, value] : reply->rawHeaderPairs())
        OnHeaderData(name + ": " + value);
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
        if (OnDocBegin)
            OnDocBegin();
    }
    // A destination that refuses the bytes (a full disk) makes the transfer a
    // failure: a document with a hole in it must never pass for a complete one.
    if (RcvdStream && RcvdStream->write(data) != data.size()) {
        m_failure = QStringLiteral("The received data could not be stored");
        reply->abort();
        return;
    }
    RcvdCount += data.size();
    if (OnDocData)
        OnDocData();
}
