// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// UpnpIgd: the home router as a UPnP Internet Gateway Device, through
// miniupnpc. Private to PortMapper's worker thread: every call blocks (SSDP
// discovery waits for answers, each action is a SOAP exchange over HTTP).
//
// One mapping at a time: add() makes it, extend() asks again for the same
// external port (what a renewal is in UPnP), remove() deletes it.

#include <miniupnpc/miniupnpc.h>

#include <QByteArray>
#include <QString>

class UpnpIgd {
public:
    struct Outcome {
        bool ok = false;
        quint16 externalPort = 0;
        int leaseSeconds = 0; // as accepted; 0 = permanent
        QString refusal;      // when !ok: the router's reason in plain words
    };

    UpnpIgd() = default;
    ~UpnpIgd();
    UpnpIgd(const UpnpIgd&) = delete;
    UpnpIgd& operator=(const UpnpIgd&) = delete;

    // Looks for an IGD on this network for `waitMs` (a second at least:
    // miniupnpc's floor); false when none answers. An IGD that says its
    // address is reserved or that it is not connected is accepted all the
    // same: whether it forwards is learned by asking.
    bool discover(int waitMs);
    // The public address the IGD reports; empty when it won't say.
    QString externalAddress();
    // Forwards the same external port when free; another one when taken
    // (AddAnyPortMapping on an IGD that offers it, else a few ports after
    // it); asks for a permanent lease when the IGD allows nothing else.
    Outcome add(quint16 internalPort, const QString& description, int leaseSeconds);
    // The held mapping again, for another lease.
    Outcome extend();
    // Deletes the held mapping; false when the IGD did not confirm it.
    bool remove();
    bool holds() const { return m_external != 0; }

    // "not authorized (UPnP error 606)"
    static QString reason(int code);

private:
    int addOnce(quint16 externalPort, QByteArray* lease);
    bool offersAnyPort() const;

    UPNPUrls m_urls{};
    IGDdatas m_data{};
    bool m_found = false;
    char m_lanAddress[64] = {};
    quint16 m_internal = 0;
    quint16 m_external = 0;
    QByteArray m_description;
    QByteArray m_lease;
};
