// SPDX-License-Identifier: GPL-3.0-or-later
#include "portmapper.h"

#include "routerworker.h"

#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>

QString PortMapping::methodName() const {
    return method == Method::UpnpIgd ? QStringLiteral("UPnP IGD") : QStringLiteral("NAT-PMP");
}

PortMapper::PortMapper(Options options, QObject* parent)
    : QObject(parent), m_options(std::move(options)) {
    qRegisterMetaType<RouterResult>();
    // Not a child: should the router hold the destructor past its bound, the
    // thread and the worker are left to end on their own (see below).
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("PortMapper"));
    m_worker = new RouterWorker(m_options);
    m_worker->moveToThread(m_thread);
    connect(m_worker, &RouterWorker::done, this, &PortMapper::onResult, Qt::QueuedConnection);
    m_thread->start();

    m_renewTimer = new QTimer(this);
    m_renewTimer->setSingleShot(true);
    connect(m_renewTimer, &QTimer::timeout, this, &PortMapper::renew);
}

PortMapper::~PortMapper() {
    disconnect(m_worker, nullptr, this, nullptr);
    if (m_workerMayHold)
        post(RouterResult::Unmap);
    // Posted after the removal: the worker runs its requests in order, so the
    // thread ends once the mapping is gone.
    QMetaObject::invokeMethod(
        m_worker, [] { QThread::currentThread()->quit(); }, Qt::QueuedConnection);
    if (m_thread->wait(QDeadlineTimer(kRemovalWaitMs))) {
        delete m_worker;
        delete m_thread;
        return;
    }
    // A router that holds a call this long has not let the program end
    // until now; the mapping's lease ends it on the router. The thread
    // cleans up after itself when (if ever) the call returns.
    RouterWorker* worker = m_worker;
    QThread* thread = m_thread;
    connect(thread, &QThread::finished, thread, [worker, thread] {
        delete worker;
        thread->deleteLater();
    });
}

void PortMapper::post(int operation) {
    QMetaObject::invokeMethod(
        m_worker,
        [worker = m_worker, operation, generation = m_generation] {
            worker->run(operation, generation);
        },
        Qt::QueuedConnection);
}

void PortMapper::start() {
    if (m_state != State::Idle)
        return;
    ++m_generation;
    m_state = State::Mapping;
    m_workerMayHold = true;
    post(RouterResult::Map);
}

void PortMapper::stop() {
    m_renewTimer->stop();
    m_state = State::Idle;
    m_mapping.reset();
    if (!m_workerMayHold)
        return;
    ++m_generation;
    m_workerMayHold = false;
    post(RouterResult::Unmap);
}

void PortMapper::renew() {
    if (m_state != State::Mapped)
        return;
    m_renewTimer->stop();
    post(RouterResult::Renew);
}

void PortMapper::scheduleRenewal() {
    if (!m_mapping || m_mapping->leaseSeconds <= 0)
        return; // permanent
    m_renewTimer->start(std::max(1000, m_mapping->leaseSeconds * 500));
}

void PortMapper::onResult(const RouterResult& result) {
    if (result.generation != m_generation)
        return;
    switch (result.operation) {
    case RouterResult::Map:
        if (m_state != State::Mapping)
            return;
        if (!result.ok) {
            // A failed attempt leaves nothing on the router to remove.
            m_state = State::Idle;
            m_workerMayHold = false;
            emit unavailable(result.why);
            return;
        }
        m_state = State::Mapped;
        m_mapping = result.mapping;
        scheduleRenewal();
        emit mapped(result.mapping);
        return;
    case RouterResult::Renew:
        if (m_state != State::Mapped)
            return;
        if (!result.ok) {
            m_state = State::Idle;
            m_mapping.reset();
            emit lost(result.why);
            return;
        }
        m_mapping = result.mapping;
        scheduleRenewal();
        emit renewed(result.mapping);
        return;
    default:
        emit stopped();
        return;
    }
}
