// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// NatPmpGateway: the home router (the default gateway) as a NAT-PMP server,
// through libnatpmp. Private to PortMapper's worker thread: each request
// blocks until the router answers or `waitMs` has passed, retransmitting as
// libnatpmp paces it.

#include <natpmp.h>

#include <QString>

class NatPmpGateway {
public:
    struct Outcome {
        bool ok = false;
        // The router did not answer at all (or has no NAT-PMP): another
        // router may still be found; otherwise it refused, for `refusal`.
        bool silent = false;
        QString publicAddress;
        quint16 externalPort = 0;
        int leaseSeconds = 0;
        QString refusal;
    };

    explicit NatPmpGateway(int waitMs) : m_waitMs(waitMs) {}
    ~NatPmpGateway();
    NatPmpGateway(const NatPmpGateway&) = delete;
    NatPmpGateway& operator=(const NatPmpGateway&) = delete;

    // Asks for the public address, then for `suggestedPort` forwarded to
    // `internalPort` for `leaseSeconds` (at least one second: a lifetime of 0
    // deletes in NAT-PMP); the router may grant another port and lease.
    Outcome map(quint16 internalPort, quint16 suggestedPort, int leaseSeconds);
    // Deletes the mapping of `internalPort`; false when unconfirmed.
    bool remove(quint16 internalPort);

private:
    // 0, or libnatpmp's error; `response` filled on 0.
    int await(natpmpresp_t* response);
    static QString reason(int code);

    int m_waitMs;
    natpmp_t m_natpmp{};
    bool m_open = false;
};
