#pragma once
// Marks one entry into the server from the event loop (a socket event or a
// timer tick). Connections found over their limits while it runs are closed
// when the outermost entry ends, never in the middle of a loop over players.

#include "tserver.h"

class SettleGuard {
public:
    explicit SettleGuard(TServer& server) : m_server(server) { ++m_server.m_settleDepth; }
    ~SettleGuard() {
        if (--m_server.m_settleDepth == 0)
            m_server.settle();
    }
    SettleGuard(const SettleGuard&) = delete;
    SettleGuard& operator=(const SettleGuard&) = delete;

private:
    TServer& m_server;
};
