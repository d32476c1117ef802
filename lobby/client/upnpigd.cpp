// SPDX-License-Identifier: GPL-3.0-or-later
#include "upnpigd.h"

#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

#include <algorithm>

namespace {

// Any IGD, version 1 or 2, answers a search for version 1: one search type
// keeps discovery to one wait (miniupnpc waits a whole second for each type
// it asks for in turn).
const char* const kSearchTypes[] = {"urn:schemas-upnp-org:device:InternetGatewayDevice:1", nullptr};

constexpr int kConflictInMappingEntry = 718;
constexpr int kOnlyPermanentLeasesSupported = 725;
constexpr int kConflictWithOtherMechanisms = 729;
// Ports tried after a taken one on an IGD without AddAnyPortMapping.
constexpr int kOtherPortsTried = 8;

QByteArray portText(quint16 port) {
    return QByteArray::number(port);
}

bool isConflict(int code) {
    return code == kConflictInMappingEntry || code == kConflictWithOtherMechanisms;
}

} // namespace

UpnpIgd::~UpnpIgd() {
    if (m_found)
        FreeUPNPUrls(&m_urls);
}

bool UpnpIgd::discover(int waitMs) {
    int error = 0;
    UPNPDev* devices = upnpDiscoverDevices(kSearchTypes, std::max(waitMs, 1), nullptr, nullptr,
                                           UPNP_LOCAL_PORT_ANY, 0, 2, &error, 0);
    if (!devices)
        return false;
    const int found =
        UPNP_GetValidIGD(devices, &m_urls, &m_data, m_lanAddress, int(sizeof m_lanAddress));
    freeUPNPDevlist(devices);
    // 1: connected; 2: reports itself not connected, or (miniupnpc 2.2) has a
    // reserved address; 3: a UPnP device that is no IGD.
    if (found == 0)
        return false;
    m_found = true;
    return found == 1 || found == 2;
}

QString UpnpIgd::externalAddress() {
    char address[40] = {};
    if (UPNP_GetExternalIPAddress(m_urls.controlURL, m_data.first.servicetype, address) != 0)
        return {};
    return QString::fromLatin1(address);
}

int UpnpIgd::addOnce(quint16 externalPort, QByteArray* lease) {
    int code = UPNP_AddPortMapping(m_urls.controlURL, m_data.first.servicetype,
                                   portText(externalPort).constData(),
                                   portText(m_internal).constData(), m_lanAddress,
                                   m_description.constData(), "TCP", nullptr, lease->constData());
    if (code == kOnlyPermanentLeasesSupported && *lease != "0") {
        *lease = "0";
        code = UPNP_AddPortMapping(m_urls.controlURL, m_data.first.servicetype,
                                   portText(externalPort).constData(),
                                   portText(m_internal).constData(), m_lanAddress,
                                   m_description.constData(), "TCP", nullptr, lease->constData());
    }
    return code;
}

bool UpnpIgd::offersAnyPort() const {
    return QByteArray(m_data.first.servicetype).endsWith(":2");
}

UpnpIgd::Outcome UpnpIgd::add(quint16 internalPort, const QString& description, int leaseSeconds) {
    m_internal = internalPort;
    m_description = description.toUtf8();
    m_lease = QByteArray::number(std::max(leaseSeconds, 0));
    Outcome outcome;
    int code = addOnce(internalPort, &m_lease);
    quint16 external = internalPort;
    if (isConflict(code) && offersAnyPort()) {
        char reserved[6] = {};
        int anyCode = UPNP_AddAnyPortMapping(
            m_urls.controlURL, m_data.first.servicetype, portText(internalPort).constData(),
            portText(internalPort).constData(), m_lanAddress, m_description.constData(), "TCP",
            nullptr, m_lease.constData(), reserved);
        if (anyCode == kOnlyPermanentLeasesSupported && m_lease != "0") {
            m_lease = "0";
            anyCode = UPNP_AddAnyPortMapping(
                m_urls.controlURL, m_data.first.servicetype, portText(internalPort).constData(),
                portText(internalPort).constData(), m_lanAddress, m_description.constData(), "TCP",
                nullptr, m_lease.constData(), reserved);
        }
        const int port = QByteArray(reserved).toInt();
        if (anyCode == 0 && port > 0 && port <= 65535) {
            code = 0;
            external = quint16(port);
        }
    }
    for (int i = 1; isConflict(code) && i <= kOtherPortsTried; ++i) {
        if (int(internalPort) + i > 65535)
            break;
        external = quint16(internalPort + i);
        code = addOnce(external, &m_lease);
    }
    if (code != 0) {
        outcome.refusal = reason(code);
        return outcome;
    }
    m_external = external;
    outcome.ok = true;
    outcome.externalPort = external;
    outcome.leaseSeconds = m_lease.toInt();
    return outcome;
}

UpnpIgd::Outcome UpnpIgd::extend() {
    Outcome outcome;
    if (!holds()) {
        outcome.refusal = QStringLiteral("no mapping is held");
        return outcome;
    }
    const int code = addOnce(m_external, &m_lease);
    if (code != 0) {
        outcome.refusal = reason(code);
        return outcome;
    }
    outcome.ok = true;
    outcome.externalPort = m_external;
    outcome.leaseSeconds = m_lease.toInt();
    return outcome;
}

bool UpnpIgd::remove() {
    if (!holds())
        return true;
    const int code = UPNP_DeletePortMapping(m_urls.controlURL, m_data.first.servicetype,
                                            portText(m_external).constData(), "TCP", nullptr);
    m_external = 0;
    return code == 0;
}

QString UpnpIgd::reason(int code) {
    QString words;
    switch (code) {
    case UPNPCOMMAND_HTTP_ERROR:
        return QStringLiteral("its UPnP service did not answer properly");
    case UPNPCOMMAND_INVALID_RESPONSE:
        return QStringLiteral("its UPnP service gave an answer that makes no sense");
    case 402:
        words = QStringLiteral("it found the request invalid");
        break;
    case 501:
        words = QStringLiteral("the action failed");
        break;
    case 606:
        words = QStringLiteral("not authorized");
        break;
    case kConflictInMappingEntry:
        words = QStringLiteral("the port is taken by another mapping");
        break;
    case 724:
        words = QStringLiteral("it only forwards a port to the same port");
        break;
    case kOnlyPermanentLeasesSupported:
        words = QStringLiteral("it only allows permanent mappings");
        break;
    case 728:
        words = QStringLiteral("it has no free ports left");
        break;
    case kConflictWithOtherMechanisms:
        words = QStringLiteral("the port is in use by the router itself");
        break;
    default:
        words = QString::fromLatin1(strupnperror(code) ? strupnperror(code) : "unknown error");
        break;
    }
    return QStringLiteral("%1 (UPnP error %2)").arg(words).arg(code);
}
