// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// RedisLink: one connection to a Redis server, asynchronous on the event loop
// (hiredis's redisAsyncContext, its socket watched by QSocketNotifiers).
//
// What its owner may rely on:
// - open() connects without blocking the event loop (a host name is looked up
//   first; give an address to avoid that). connected() follows, or lost(why)
//   when the connection cannot be made within connectTimeoutMs.
// - Every command's reply function is called exactly once with the reply, or
//   with nullptr when the connection was lost before the reply came (or the
//   link is closed or destroyed) - except a subscription's, which is called
//   for each message until then, and once with nullptr at the end.
// - lost(why) once for every connection that was opened or tried and ended,
//   unless the owner closed it; signals come from the event loop, never from
//   inside command() or close().

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

struct redisAsyncContext;
struct redisReply;
class QSocketNotifier;
class QTimer;

class RedisLink : public QObject {
    Q_OBJECT
public:
    using Reply = std::function<void(const redisReply* reply)>;

    RedisLink(QString host, quint16 port, QObject* parent = nullptr);
    ~RedisLink() override;

    int connectTimeoutMs = 5000;

    void open();
    // Ends the connection; the replies still due are called with nullptr.
    void close();
    bool isOpen() const { return m_open; }
    // Sends the command; false (and nothing is called) unless the link is open.
    bool command(const QList<QByteArray>& args, Reply reply = {});
    // SUBSCRIBE to the channel: `subscribed` is called with the confirmation
    // (or nullptr when the connection ended first), `message` with each
    // message's payload and with nullptr at the end of the connection. The
    // link takes no other command after this.
    bool subscribe(const QByteArray& channel, Reply subscribed,
                   std::function<void(const QByteArray*)> message);
    // Replies still due (subscriptions not counted).
    int pending() const { return m_pending; }

signals:
    void connected();
    void lost(const QString& why);

private:
    struct Call;
    static void replied(redisAsyncContext* context, void* reply, void* data);
    static void connectDone(const redisAsyncContext* context, int status);
    static void disconnectDone(const redisAsyncContext* context, int status);
    static void addRead(void* link);
    static void delRead(void* link);
    static void addWrite(void* link);
    static void delWrite(void* link);
    static void cleanup(void* link);

    bool send(const QList<QByteArray>& args, Call* call);
    void ended(const QString& why);
    void free();

    QString m_host;
    quint16 m_port;
    redisAsyncContext* m_context = nullptr;
    QSocketNotifier* m_read = nullptr;
    QSocketNotifier* m_write = nullptr;
    QTimer* m_connectTimer;
    bool m_open = false;
    int m_pending = 0;
};
