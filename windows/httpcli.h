// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The download window's HTTP client: one GET at a time into a stream, run
// synchronously (the event loop keeps running meanwhile, so the window stays
// usable and can abort), with events for each header line, the start of the
// body and each piece of body data. Any transfer that does not complete with a
// success status raises EHttpException.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <stdexcept>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;

class EHttpException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class THttpCli : public QObject {
    Q_OBJECT
public:
    explicit THttpCli(QObject* parent = nullptr);

    QString URL;
    QString Agent = QStringLiteral("Mozilla/3.0 (compatible)");
    QString Accept = QStringLiteral("image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
    QIODevice* RcvdStream = nullptr; // not owned; receives the body
    qint64 RcvdCount = 0;            // body bytes received by the running or last get

    std::function<void(const QByteArray& line)> OnHeaderData;
    std::function<void()> OnDocBegin;
    std::function<void()> OnDocData;

    // Returns when the document is complete; throws EHttpException otherwise.
    void Get();
    // Stops a running get, which then throws. Harmless when idle.
    void Abort();
    bool busy() const { return !m_reply.isNull(); }

private:
    void headersArrived();
    void bodyArrived();

    QNetworkAccessManager* m_manager;
    QPointer<QNetworkReply> m_reply;
    bool m_bodyStarted = false;
    bool m_success = false;
    QString m_failure;
};
