// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// PortMapper: asks the home router to forward a TCP port from its public
// address to this machine, so that players on the internet reach a table
// hosted from home. UPnP IGD is asked first, NAT-PMP when no IGD answers or
// the IGD refuses. It maps what it is asked to map; whether a table should be
// mapped at all (never a solo game, never a table on this network only) is
// its owner's decision, and whether the table is really reachable from
// outside is found by a probe from outside, not here.
//
// What an owner may rely on:
// - After start(), exactly one of mapped() or unavailable() (unless stop()
//   comes first), within about the discovery wait plus one more for NAT-PMP
//   on a LAN; the event loop is never blocked meanwhile.
// - A mapping with a lease is renewed at half the lease: renewed() each time,
//   or lost() once when the router no longer extends it (nothing more is
//   tried until start() again; the mapping is still removed by stop()).
// - stop() removes the mapping without blocking and says stopped() when done;
//   no mapped(), renewed() or lost() of the earlier start() follows it.
// - Destroying the PortMapper removes the mapping before the destructor
//   returns, waiting at most kRemovalWaitMs for the router: a program that
//   ends (SIGTERM included, through its termination watch) leaves no
//   forwarding behind on the router.
// - Signals come from the event loop, never from inside start() or stop().

#include <QMetaType>
#include <QObject>
#include <QString>

#include <optional>

class QThread;
class QTimer;
class RouterWorker;
struct RouterResult;

struct PortMapping {
    enum class Method { UpnpIgd, NatPmp };
    Method method = Method::UpnpIgd;
    // The public address as the router reports it; empty when it won't say.
    QString publicAddress;
    quint16 externalPort = 0;
    quint16 internalPort = 0;
    // As granted (NAT-PMP) or asked and accepted (UPnP); 0 = permanent.
    int leaseSeconds = 0;

    // "UPnP IGD" or "NAT-PMP", as a player sees it.
    QString methodName() const;
    friend bool operator==(const PortMapping&, const PortMapping&) = default;
};
Q_DECLARE_METATYPE(PortMapping)

class PortMapper : public QObject {
    Q_OBJECT
public:
    struct Options {
        quint16 internalPort = 7772;
        // The mapping's name in the router's list.
        QString description = QStringLiteral("Vorlix table");
        // The lease asked for; 0 asks for a permanent mapping (NAT-PMP has
        // none: it gets two hours, renewed like any other lease).
        int leaseSeconds = 3600;
        // How long SSDP discovery waits for the IGD, and NAT-PMP for each
        // answer of the router. miniupnpc waits at least a second whatever
        // it is given.
        int discoveryWaitMs = 1000;
    };
    enum class State { Idle, Mapping, Mapped };

    // The destructor's bound on removing the mapping.
    static constexpr int kRemovalWaitMs = 2000;

    explicit PortMapper(Options options, QObject* parent = nullptr);
    ~PortMapper() override;

    // Asks the router for the mapping; nothing while mapping or mapped.
    void start();
    // Removes the mapping (or the one being made), without blocking.
    void stop();
    // Extends the mapping now; the renewal timer calls it at half the lease.
    void renew();

    State state() const { return m_state; }
    std::optional<PortMapping> mapping() const { return m_mapping; }
    const Options& options() const { return m_options; }

signals:
    void mapped(const PortMapping& mapping);
    void renewed(const PortMapping& mapping);
    // In plain words for a player: why no mapping could be made.
    void unavailable(const QString& why);
    // A renewal failed: the mapping will lapse (or is gone already).
    void lost(const QString& why);
    void stopped();

private:
    void onResult(const RouterResult& result);
    void scheduleRenewal();
    void post(int operation);

    Options m_options;
    State m_state = State::Idle;
    std::optional<PortMapping> m_mapping;
    // Bumped by start() and stop(): a result of an earlier request is
    // dropped, so nothing of a stopped mapping is reported after stop().
    quint64 m_generation = 0;
    // The worker may hold a mapping on the router (a request was made since
    // the last removal): only then do stop() and the destructor remove.
    bool m_workerMayHold = false;
    // The router calls block (SSDP waits for answers, SOAP goes over HTTP,
    // NAT-PMP waits for its datagrams), so they run on this thread, one at a
    // time in the order asked; the event loop's thread stays free.
    QThread* m_thread = nullptr;
    RouterWorker* m_worker = nullptr;
    QTimer* m_renewTimer = nullptr;
};
