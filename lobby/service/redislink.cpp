// SPDX-License-Identifier: GPL-3.0-or-later
#include "redislink.h"

#include <QSocketNotifier>
#include <QTimer>

#include <hiredis/async.h>
#include <hiredis/hiredis.h>

#include <vector>

// A command's reply function, or a subscription's message function.
struct RedisLink::Call {
    RedisLink* link = nullptr;
    Reply reply;
    std::function<void(const QByteArray*)> message;
};

namespace {

RedisLink* linkOf(const redisAsyncContext* context) {
    return static_cast<RedisLink*>(context->data);
}

QString errorOf(const redisAsyncContext* context) {
    return context->errstr[0] ? QString::fromLocal8Bit(context->errstr)
                              : QStringLiteral("connection closed");
}

} // namespace

RedisLink::RedisLink(QString host, quint16 port, QObject* parent)
    : QObject(parent), m_host(std::move(host)), m_port(port), m_connectTimer(new QTimer(this)) {
    m_connectTimer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, [this] {
        if (m_context && !m_open)
            ended(QStringLiteral("no answer within %1 s").arg(connectTimeoutMs / 1000));
    });
}

RedisLink::~RedisLink() {
    free();
}

void RedisLink::open() {
    if (m_context)
        return;
    redisAsyncContext* context = redisAsyncConnect(m_host.toUtf8().constData(), m_port);
    if (!context || context->err) {
        const QString why = context ? errorOf(context) : QStringLiteral("out of memory");
        if (context)
            redisAsyncFree(context);
        QMetaObject::invokeMethod(
            this, [this, why] { emit lost(why); }, Qt::QueuedConnection);
        return;
    }
    m_context = context;
    context->data = this;
    context->ev.data = this;
    context->ev.addRead = addRead;
    context->ev.delRead = delRead;
    context->ev.addWrite = addWrite;
    context->ev.delWrite = delWrite;
    context->ev.cleanup = cleanup;
    redisAsyncSetDisconnectCallback(context, disconnectDone);
    // Asks for the first write event, which tells that the connection is made:
    // the hooks above must be in place first.
    redisAsyncSetConnectCallback(context, connectDone);
    m_connectTimer->start(connectTimeoutMs);
}

void RedisLink::close() {
    m_open = false;
    m_connectTimer->stop();
    free();
}

// Lets the context go. hiredis calls every reply still due with nullptr (at
// once, or as soon as the callback it is in returns) and closes the socket.
void RedisLink::free() {
    redisAsyncContext* context = m_context;
    if (!context)
        return;
    m_context = nullptr;
    m_open = false;
    context->data = nullptr; // its connect and disconnect reports are not ours now
    for (QSocketNotifier* n : {m_read, m_write}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    m_read = m_write = nullptr;
    context->ev.data = nullptr;
    redisAsyncFree(context);
}

void RedisLink::ended(const QString& why) {
    m_connectTimer->stop();
    free();
    QMetaObject::invokeMethod(
        this, [this, why] { emit lost(why); }, Qt::QueuedConnection);
}

bool RedisLink::command(const QList<QByteArray>& args, Reply reply) {
    auto* call = new Call{this, std::move(reply), {}};
    return send(args, call);
}

bool RedisLink::subscribe(const QByteArray& channel, Reply subscribed,
                          std::function<void(const QByteArray*)> message) {
    auto* call = new Call{this, std::move(subscribed), std::move(message)};
    return send({"SUBSCRIBE", channel}, call);
}

bool RedisLink::send(const QList<QByteArray>& args, Call* call) {
    if (!m_open || !m_context) {
        delete call;
        return false;
    }
    std::vector<const char*> argv;
    std::vector<size_t> lengths;
    for (const QByteArray& a : args) {
        argv.push_back(a.constData());
        lengths.push_back(size_t(a.size()));
    }
    if (redisAsyncCommandArgv(m_context, replied, call, int(argv.size()), argv.data(),
                              lengths.data()) != REDIS_OK) {
        delete call;
        return false;
    }
    if (!call->message)
        ++m_pending;
    return true;
}

void RedisLink::replied(redisAsyncContext*, void* reply, void* data) {
    auto* call = static_cast<Call*>(data);
    const auto* r = static_cast<const redisReply*>(reply);
    if (!call->message) {
        --call->link->m_pending;
        if (call->reply)
            call->reply(r);
        delete call;
        return;
    }
    if (!r) {
        if (call->reply)
            call->reply(nullptr);
        call->message(nullptr);
        delete call;
        return;
    }
    // ["message", channel, payload], or the confirmation ["subscribe",
    // channel, count], which says nothing the owner needs.
    if (r->type == REDIS_REPLY_ARRAY && r->elements == 3 &&
        r->element[0]->type == REDIS_REPLY_STRING && r->element[2]->type == REDIS_REPLY_STRING &&
        QByteArray(r->element[0]->str, qsizetype(r->element[0]->len)) == "message") {
        const QByteArray payload(r->element[2]->str, qsizetype(r->element[2]->len));
        call->message(&payload);
    } else if (call->reply) {
        call->reply(r);
        call->reply = {};
    }
}

void RedisLink::connectDone(const redisAsyncContext* context, int status) {
    RedisLink* link = linkOf(context);
    if (!link)
        return;
    link->m_connectTimer->stop();
    if (status != REDIS_OK) {
        // hiredis frees the context when this returns (its notifiers go in
        // cleanup()).
        link->m_context = nullptr;
        const QString why = errorOf(context);
        QMetaObject::invokeMethod(
            link, [link, why] { emit link->lost(why); }, Qt::QueuedConnection);
        return;
    }
    link->m_open = true;
    QMetaObject::invokeMethod(
        link, [link] { emit link->connected(); }, Qt::QueuedConnection);
}

void RedisLink::disconnectDone(const redisAsyncContext* context, int) {
    RedisLink* link = linkOf(context);
    if (!link)
        return; // let go by free(): nobody is told
    link->m_context = nullptr;
    link->m_open = false;
    const QString why = errorOf(context);
    QMetaObject::invokeMethod(
        link, [link, why] { emit link->lost(why); }, Qt::QueuedConnection);
}

void RedisLink::addRead(void* data) {
    auto* link = static_cast<RedisLink*>(data);
    if (!link || !link->m_context)
        return;
    if (!link->m_read) {
        link->m_read = new QSocketNotifier(link->m_context->c.fd, QSocketNotifier::Read, link);
        connect(link->m_read, &QSocketNotifier::activated, link, [link] {
            if (link->m_context)
                redisAsyncHandleRead(link->m_context);
        });
    }
    link->m_read->setEnabled(true);
}

void RedisLink::delRead(void* data) {
    auto* link = static_cast<RedisLink*>(data);
    if (link && link->m_read)
        link->m_read->setEnabled(false);
}

void RedisLink::addWrite(void* data) {
    auto* link = static_cast<RedisLink*>(data);
    if (!link || !link->m_context)
        return;
    if (!link->m_write) {
        link->m_write = new QSocketNotifier(link->m_context->c.fd, QSocketNotifier::Write, link);
        connect(link->m_write, &QSocketNotifier::activated, link, [link] {
            if (link->m_context)
                redisAsyncHandleWrite(link->m_context);
        });
    }
    link->m_write->setEnabled(true);
}

void RedisLink::delWrite(void* data) {
    auto* link = static_cast<RedisLink*>(data);
    if (link && link->m_write)
        link->m_write->setEnabled(false);
}

// The context is going (a lost connection): its socket with it.
void RedisLink::cleanup(void* data) {
    auto* link = static_cast<RedisLink*>(data);
    if (!link)
        return;
    for (QSocketNotifier* n : {link->m_read, link->m_write}) {
        if (n) {
            n->setEnabled(false);
            n->deleteLater();
        }
    }
    link->m_read = link->m_write = nullptr;
}
