// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The download window's HTTP client: one GET at a time, its body written into
// a stream as it arrives. Asynchronous: Get starts the request and returns at
// once; the event loop carries the transfer, so nothing waits inside a handler
// and the program can quit at any moment.
//
// Every get that starts ends in exactly one of two signals:
// - finished: the server answered with a success status and the whole body,
//   as many bytes as its Content-Length announced, reached the stream;
// - failed: anything else. A refusal, a connection that closes before the
//   announced length, bytes the stream would not take, or Abort: a document
//   cut short never passes for a complete one.
// Destroying the client during a get abandons it without a signal: the reply
// goes with the client's network manager, and its end, which is told to the
// client through the event loop, never reaches a client that is gone.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>

class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;

class THttpCli : public QObject {
    Q_OBJECT
public:
    explicit THttpCli(QObject* parent = nullptr);

    QString URL;
    QString Agent = QStringLiteral("Mozilla/3.0 (compatible)");
    QString Accept = QStringLiteral("image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*");
    // Not owned; receives the body. It must stay open until the get ends.
    QIODevice* RcvdStream = nullptr;
    qint64 RcvdCount = 0; // body bytes received by the running or last get

    // Starts a get of URL into RcvdStream. False, and nothing signalled, while
    // another get runs.
    bool Get();
    // Stops a running get, which fails before Abort returns. Harmless when idle.
    void Abort();
    bool busy() const { return !m_reply.isNull(); }

signals:
    void headerData(const QByteArray& line); // each header line received
    void docBegin();                         // the first bytes of the body
    // Body bytes received so far, and the announced length (-1 when none).
    void progress(qint64 received, qint64 total);
    void finished(qint64 received);
    void failed(const QString& reason);

private:
    void headersArrived();
    void bodyArrived();
    void replyFinished(quint64 get);
    void release();
    qint64 announcedLength() const;

    QNetworkAccessManager* m_manager;
    QPointer<QNetworkReply> m_reply;
    quint64 m_gets = 0; // numbers each get, so a late word of an old one is known
    bool m_bodyStarted = false;
    QString m_failure; // set while the get runs: it fails however it ends
};
