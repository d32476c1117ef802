// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameconnection.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace gameconnection {

namespace {

bool setInt(int fd, int level, int name, int value) {
    return ::setsockopt(fd, level, name, &value, sizeof value) == 0;
}

int getInt(int fd, int level, int name) {
    int value = 0;
    socklen_t len = sizeof value;
    return ::getsockopt(fd, level, name, &value, &len) == 0 ? value : 0;
}

} // namespace

bool apply(std::intptr_t socket) {
    const int fd = int(socket);
    bool ok = setInt(fd, IPPROTO_TCP, TCP_NODELAY, 1);
    ok = setInt(fd, SOL_SOCKET, SO_KEEPALIVE, 1) && ok;
    ok = setInt(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleSeconds) && ok;
    ok = setInt(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalSeconds) && ok;
    ok = setInt(fd, IPPROTO_TCP, TCP_KEEPCNT, kKeepCount) && ok;
    const unsigned timeout = kUserTimeoutMs;
    ok = ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &timeout, sizeof timeout) == 0 && ok;
    return ok;
}

Options read(std::intptr_t socket) {
    const int fd = int(socket);
    Options o;
    o.noDelay = getInt(fd, IPPROTO_TCP, TCP_NODELAY) != 0;
    o.keepAlive = getInt(fd, SOL_SOCKET, SO_KEEPALIVE) != 0;
    o.keepIdleSeconds = getInt(fd, IPPROTO_TCP, TCP_KEEPIDLE);
    o.keepIntervalSeconds = getInt(fd, IPPROTO_TCP, TCP_KEEPINTVL);
    o.keepCount = getInt(fd, IPPROTO_TCP, TCP_KEEPCNT);
    o.userTimeoutMs = unsigned(getInt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT));
    return o;
}

} // namespace gameconnection
