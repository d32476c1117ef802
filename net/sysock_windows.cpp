// SPDX-License-Identifier: GPL-3.0-or-later
// The system's sockets on Windows (see sysock.h): Windows Sockets 2 itself.
// Its error numbers are the component's own; sockets are never inherited by
// programs this one starts.

#include "sysock.h"

namespace sysock {

namespace {

int g_started = 0;

const sockaddr* asAddress(const sockaddr_in& a) {
    return reinterpret_cast<const sockaddr*>(&a);
}

SOCKET raw(Handle s) {
    return static_cast<SOCKET>(s);
}

} // namespace

bool startup() {
    WSADATA data{};
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return false;
    ++g_started;
    return true;
}

void cleanup() {
    if (g_started > 0 && ::WSACleanup() == 0)
        --g_started;
}

int lastError() {
    return ::WSAGetLastError();
}

int fromSystem(int error) {
    return error;
}

Handle open(bool stream) {
    // Windows Sockets must be started before the first socket; a program
    // that did not call startup() itself gets it here, once.
    static const bool started = g_started > 0 || startup();
    if (!started)
        return kNone;
    const SOCKET s =
        ::WSASocketW(AF_INET, stream ? SOCK_STREAM : SOCK_DGRAM, stream ? IPPROTO_TCP : IPPROTO_UDP,
                     nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    return s == INVALID_SOCKET ? kNone : Handle(s);
}

bool close(Handle s) {
    return ::closesocket(raw(s)) == 0;
}

bool setNonBlocking(Handle s, bool on) {
    u_long mode = on ? 1 : 0;
    return ::ioctlsocket(raw(s), FIONBIO, &mode) == 0;
}

void prepareListener(Handle s) {
    // Windows binds a port with old connections lingering on it as it is;
    // its SO_REUSEADDR would let another program take a port in use, so the
    // port is claimed outright instead.
    const BOOL one = TRUE;
    ::setsockopt(raw(s), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one),
                 sizeof one);
}

int connect(Handle s, const sockaddr_in& to) {
    if (::connect(raw(s), asAddress(to), sizeof to) == 0)
        return 0;
    const int error = ::WSAGetLastError();
    return error == WSAEWOULDBLOCK ? 0 : error;
}

bool bind(Handle s, const sockaddr_in& local) {
    return ::bind(raw(s), asAddress(local), sizeof local) == 0;
}

bool listen(Handle s, int backlog) {
    return ::listen(raw(s), backlog) == 0;
}

Handle accept(Handle listener, sockaddr_in& caller) {
    int len = sizeof caller;
    const SOCKET s = ::accept(raw(listener), reinterpret_cast<sockaddr*>(&caller), &len);
    if (s == INVALID_SOCKET)
        return kNone;
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    setNonBlocking(Handle(s), true);
    return Handle(s);
}

std::int64_t send(Handle s, const char* data, std::size_t size, bool) {
    // The notification-driven sockets are non-blocking already.
    return ::send(raw(s), data, int(size), 0);
}

std::int64_t receive(Handle s, char* data, std::size_t size) {
    return ::recv(raw(s), data, int(size), 0);
}

std::int64_t sendTo(Handle s, const char* data, std::size_t size, const sockaddr_in& to) {
    return ::sendto(raw(s), data, int(size), 0, asAddress(to), sizeof to);
}

std::int64_t receiveFrom(Handle s, char* data, std::size_t size, sockaddr_in& from) {
    u_long waiting = 0;
    if (::ioctlsocket(raw(s), FIONREAD, &waiting) != 0)
        return -1;
    if (waiting == 0) {
        ::WSASetLastError(WSAEWOULDBLOCK);
        return -1;
    }
    int len = sizeof from;
    return ::recvfrom(raw(s), data, int(size), 0, reinterpret_cast<sockaddr*>(&from), &len);
}

int connectResult(Handle s) {
    int soError = 0;
    int len = sizeof soError;
    if (::getsockopt(raw(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) != 0)
        return lastError();
    return soError;
}

int waitReadable(Handle s, int ms) {
    WSAPOLLFD p{raw(s), POLLRDNORM, 0};
    const int rc = ::WSAPoll(&p, 1, ms < 0 ? -1 : ms);
    return rc > 0 ? 1 : rc;
}

sockaddr_in localAddress(Handle s) {
    sockaddr_in local{};
    int len = sizeof local;
    if (::getsockname(raw(s), reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return sockaddr_in{};
    return local;
}

} // namespace sysock
