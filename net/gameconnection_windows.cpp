// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconnection.h"

// winsock2.h first: the others build on it.
#include <winsock2.h>

#include <mstcpip.h>
#include <ws2tcpip.h>

// Windows 10's keepalive options and the retransmission bound; MinGW's
// headers predate them.
#ifndef TCP_KEEPIDLE
#define TCP_KEEPIDLE 3
#endif
#ifndef TCP_KEEPCNT
#define TCP_KEEPCNT 16
#endif
#ifndef TCP_KEEPINTVL
#define TCP_KEEPINTVL 17
#endif
#ifndef TCP_MAXRT
#define TCP_MAXRT 5
#endif

namespace gameconnection {

namespace {

bool setInt(SOCKET s, int level, int name, int value) {
    return ::setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

int getInt(SOCKET s, int level, int name) {
    int value = 0;
    int len = sizeof value;
    return ::getsockopt(s, level, name, reinterpret_cast<char*>(&value), &len) == 0 ? value : 0;
}

// Older systems: idle time and interval in one call, ten probes. The interval
// is shortened so that ten probes take as long as kKeepCount would.
bool keepAliveValues(SOCKET s) {
    tcp_keepalive values{};
    values.onoff = 1;
    values.keepalivetime = ULONG(kKeepIdleSeconds) * 1000;
    values.keepaliveinterval = ULONG(kKeepIntervalSeconds) * 1000 * ULONG(kKeepCount) / 10;
    DWORD returned = 0;
    return ::WSAIoctl(s, SIO_KEEPALIVE_VALS, &values, sizeof values, nullptr, 0, &returned, nullptr,
                      nullptr) == 0;
}

} // namespace

bool apply(std::intptr_t socket) {
    const SOCKET s = static_cast<SOCKET>(socket);
    bool ok = setInt(s, IPPROTO_TCP, TCP_NODELAY, 1);
    ok = setInt(s, SOL_SOCKET, SO_KEEPALIVE, 1) && ok;
    const bool options = setInt(s, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleSeconds) &&
                         setInt(s, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalSeconds) &&
                         setInt(s, IPPROTO_TCP, TCP_KEEPCNT, kKeepCount);
    ok = (options || keepAliveValues(s)) && ok;
    ok = setInt(s, IPPROTO_TCP, TCP_MAXRT, int(kUserTimeoutMs / 1000)) && ok;
    return ok;
}

Options read(std::intptr_t socket) {
    const SOCKET s = static_cast<SOCKET>(socket);
    Options o;
    o.noDelay = getInt(s, IPPROTO_TCP, TCP_NODELAY) != 0;
    o.keepAlive = getInt(s, SOL_SOCKET, SO_KEEPALIVE) != 0;
    o.keepIdleSeconds = getInt(s, IPPROTO_TCP, TCP_KEEPIDLE);
    o.keepIntervalSeconds = getInt(s, IPPROTO_TCP, TCP_KEEPINTVL);
    o.keepCount = getInt(s, IPPROTO_TCP, TCP_KEEPCNT);
    o.userTimeoutMs = unsigned(getInt(s, IPPROTO_TCP, TCP_MAXRT)) * 1000;
    return o;
}

} // namespace gameconnection
