// SPDX-License-Identifier: GPL-3.0-or-later
#include "harness.h"

#include "messages.h"
#include "protocol.h"
#include "tsock.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <chrono>
#include <stdexcept>
#include <thread>

Harness::Harness(std::uint16_t port, quint32 seed,
                 const std::function<void(const QString&)>& prepareDir)
    : m_port(port) {
    if (prepareDir)
        prepareDir(m_dir.path());
    m_server = std::make_unique<TServer>(m_dir.path());
    m_server->setManualTicks(true);
    m_server->seed(seed);
    m_server->Sock1->setPortName(QString::number(port));
    m_server->Sock1->setListen(true);
}

Harness::~Harness() {
    m_clients.clear();
    m_server.reset();
    QCoreApplication::processEvents();
}

bool Harness::pump(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        while (m_server->core().queued() > 0)
            m_server->socktimerTimer();
        for (auto& c : m_clients)
            c->poll();
        if (done())
            return true;
        if (clock.elapsed() > timeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool Harness::deliver(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        for (auto& c : m_clients)
            c->poll();
        if (done())
            return true;
    }
    return false;
}

void Harness::settle(int quietMs) {
    QElapsedTimer quiet;
    quiet.start();
    QElapsedTimer total;
    total.start();
    while (quiet.elapsed() < quietMs && total.elapsed() < 5000) {
        bool moved = false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        while (m_server->core().queued() > 0) {
            m_server->socktimerTimer();
            moved = true;
        }
        for (auto& c : m_clients)
            moved = c->poll() || moved;
        if (moved)
            quiet.restart();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

QString Harness::addressOf(std::uint8_t source) {
    return QStringLiteral("127.0.0.%1").arg(source);
}

RawClient& Harness::connect(int receiveBuffer, std::uint8_t source) {
    m_lastSource = source ? source : m_nextSource++;
    m_clients.push_back(std::make_unique<RawClient>(m_port, receiveBuffer, m_lastSource));
    RawClient& c = *m_clients.back();
    if (!pump([&] { return !c.messages.isEmpty() || c.peerClosed(); }))
        throw std::runtime_error("no greeting from the server");
    return c;
}

RawClient& Harness::join(const QByteArray& name, const QByteArray& version, std::uint8_t source) {
    RawClient& c = connect(0, source);
    const int number = numberOf(c);
    if (number <= 0)
        throw std::runtime_error("not given a number");
    // The real client's login ends in two terminators.
    c.send(wire::logininfo(number, version, name) + '\xFF');
    const QByteArray own = wire::newplayerinfo(number, name).chopped(1);
    // Everybody still listening hears of the arrival before the test goes on.
    const bool announced = pump([&] {
        for (auto& other : m_clients)
            if (other->isReading() && !other->has(own))
                return false;
        return true;
    });
    if (!announced)
        throw std::runtime_error("login not announced");
    qsizetype others = 0;
    const GameEngine& e = m_server->engine();
    for (int i = 1; i <= e.numslots(); ++i)
        others += i != number && e.players()[i].connected;
    if (!pump([&] { return c.withCommand("CMD_existingplayers").size() >= others; }))
        throw std::runtime_error("existing players not listed");
    return c;
}

int Harness::numberOf(const RawClient& client) {
    for (const QByteArray& m : client.messages) {
        const auto s = wire::splitCommand(m);
        if (s.command == "CMD_sendlogininfo")
            return wire::toInt(s.payload);
    }
    return 0;
}
