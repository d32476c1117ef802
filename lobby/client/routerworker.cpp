// SPDX-License-Identifier: GPL-3.0-or-later
#include "routerworker.h"

#include "natpmpgateway.h"
#include "upnpigd.h"

namespace {

// NAT-PMP has no permanent mapping (a lifetime of 0 deletes): asked for one,
// it gets the lifetime the protocol recommends, and is renewed.
constexpr int kNatPmpLongLease = 7200;

QString noRouter() {
    return QStringLiteral("No router on this network offers port forwarding (UPnP or NAT-PMP).");
}

QString refused(quint16 port, const QString& reason) {
    return QStringLiteral("The router refused to forward port %1: %2.").arg(port).arg(reason);
}

} // namespace

RouterWorker::RouterWorker(PortMapper::Options options) : m_options(std::move(options)) {}

RouterWorker::~RouterWorker() = default;

void RouterWorker::run(int operation, quint64 generation) {
    RouterResult result;
    switch (operation) {
    case RouterResult::Map:
        result = map();
        break;
    case RouterResult::Renew:
        result = renew();
        break;
    default:
        result = unmap();
        break;
    }
    result.operation = operation;
    result.generation = generation;
    emit done(result);
}

int RouterWorker::natPmpLease() const {
    return m_options.leaseSeconds > 0 ? m_options.leaseSeconds : kNatPmpLongLease;
}

RouterResult RouterWorker::map() {
    release();
    RouterResult result;
    const quint16 port = m_options.internalPort;
    QString igdRefusal;

    auto igd = std::make_unique<UpnpIgd>();
    if (igd->discover(m_options.discoveryWaitMs)) {
        const QString address = igd->externalAddress();
        const UpnpIgd::Outcome made = igd->add(port, m_options.description, m_options.leaseSeconds);
        if (made.ok) {
            m_igd = std::move(igd);
            m_held = PortMapping{PortMapping::Method::UpnpIgd, address, made.externalPort, port,
                                 made.leaseSeconds};
            result.ok = true;
            result.mapping = *m_held;
            return result;
        }
        igdRefusal = made.refusal;
    }

    auto natPmp = std::make_unique<NatPmpGateway>(m_options.discoveryWaitMs);
    const NatPmpGateway::Outcome made = natPmp->map(port, port, natPmpLease());
    if (made.ok) {
        m_natPmp = std::move(natPmp);
        m_held = PortMapping{PortMapping::Method::NatPmp, made.publicAddress, made.externalPort,
                             port, made.leaseSeconds};
        result.ok = true;
        result.mapping = *m_held;
        return result;
    }
    // The IGD's refusal says more than NAT-PMP's silence (or its error code).
    if (!igdRefusal.isEmpty())
        result.why = refused(port, igdRefusal);
    else if (!made.silent)
        result.why = refused(port, made.refusal);
    else
        result.why = noRouter();
    return result;
}

RouterResult RouterWorker::renew() {
    RouterResult result;
    if (!m_held) {
        result.why = QStringLiteral("The port mapping was already removed.");
        return result;
    }
    const quint16 port = m_held->externalPort;
    QString reason;
    if (m_held->method == PortMapping::Method::UpnpIgd && m_igd) {
        const UpnpIgd::Outcome again = m_igd->extend();
        if (again.ok)
            m_held->leaseSeconds = again.leaseSeconds;
        else
            reason = again.refusal;
    } else if (m_natPmp) {
        const NatPmpGateway::Outcome again =
            m_natPmp->map(m_held->internalPort, m_held->externalPort, natPmpLease());
        if (again.ok) {
            // NAT-PMP may move the mapping to another port on renewal.
            m_held->externalPort = again.externalPort;
            m_held->leaseSeconds = again.leaseSeconds;
            if (!again.publicAddress.isEmpty())
                m_held->publicAddress = again.publicAddress;
        } else {
            reason = again.silent ? QStringLiteral("it no longer answers") : again.refusal;
        }
    }
    if (!reason.isEmpty()) {
        result.why =
            QStringLiteral("The router no longer forwards port %1: %2.").arg(port).arg(reason);
        return result;
    }
    result.ok = true;
    result.mapping = *m_held;
    return result;
}

RouterResult RouterWorker::unmap() {
    RouterResult result;
    result.ok = release();
    if (!result.ok)
        result.why =
            QStringLiteral("The router did not confirm that the port mapping was removed.");
    return result;
}

bool RouterWorker::release() {
    bool removed = true;
    if (m_held) {
        if (m_held->method == PortMapping::Method::UpnpIgd && m_igd)
            removed = m_igd->remove();
        else if (m_natPmp)
            removed = m_natPmp->remove(m_held->internalPort);
    }
    m_held.reset();
    m_igd.reset();
    m_natPmp.reset();
    return removed;
}
