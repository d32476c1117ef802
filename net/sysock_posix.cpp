// SPDX-License-Identifier: GPL-3.0-or-later
// The system's sockets on POSIX systems (see sysock.h): errno values are
// translated into Windows Sockets numbers, sends never raise SIGPIPE, and
// every socket is closed on exec.

#include "sysock.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace sysock {

namespace {

struct ErrnoMapping {
    int err;
    int wsa;
};

// Every errno that has a Windows Sockets counterpart. EAGAIN and EWOULDBLOCK
// are the same value on Linux; EOPNOTSUPP and ENOTSUP likewise.
constexpr ErrnoMapping kErrnoMap[] = {
    {EINTR, 10004},
    {EBADF, 10009},
    {EACCES, 10013},
    {EPERM, 10013}, // a firewall rule refusing a connect shows up as EPERM
    {EFAULT, 10014},
    {EINVAL, 10022},
    {EMFILE, 10024},
    {ENFILE, 10024},
    {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10036},
    {EALREADY, 10037},
    {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},
    {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044},
    {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},
    {EADDRINUSE, 10048},
    {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},
    {ENETUNREACH, 10051},
    {ENETRESET, 10052},
    {ECONNABORTED, 10053},
    {ECONNRESET, 10054},
    {ENOBUFS, 10055},
    {ENOMEM, 10055},
    {EISCONN, 10056},
    {ENOTCONN, 10057},
    // EPIPE means the sending side of the connection is gone, which Windows
    // Sockets calls a shut-down socket.
    {EPIPE, 10058},
    {ESHUTDOWN, 10058},
    {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},
    {ECONNREFUSED, 10061},
    {ELOOP, 10062},
    {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},
    {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},
    {EUSERS, 10068},
    {EDQUOT, 10069},
    {ESTALE, 10070},
    {EREMOTE, 10071},
};

const sockaddr* asAddress(const sockaddr_in& a) {
    return reinterpret_cast<const sockaddr*>(&a);
}

} // namespace

bool startup() {
    return true; // POSIX sockets are ready without it
}

void cleanup() {}

int wsaFromErrno(int error) {
    for (const ErrnoMapping& m : kErrnoMap)
        if (m.err == error)
            return m.wsa;
    return 0;
}

int fromSystem(int error) {
    const int code = wsaFromErrno(error);
    return code != 0 ? code : 20000 + error;
}

int lastError() {
    return fromSystem(errno);
}

Handle open(bool stream) {
    const int fd = ::socket(AF_INET, (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
    return fd < 0 ? kNone : fd;
}

bool close(Handle s) {
    return ::close(int(s)) == 0;
}

bool setNonBlocking(Handle s, bool on) {
    const int flags = ::fcntl(int(s), F_GETFL);
    if (flags < 0)
        return false;
    return ::fcntl(int(s), F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) == 0;
}

void prepareListener(Handle s) {
    const int one = 1;
    ::setsockopt(int(s), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
}

int connect(Handle s, const sockaddr_in& to) {
    if (::connect(int(s), asAddress(to), sizeof to) == 0 || errno == EINPROGRESS)
        return 0;
    return lastError();
}

bool bind(Handle s, const sockaddr_in& local) {
    return ::bind(int(s), asAddress(local), sizeof local) == 0;
}

bool listen(Handle s, int backlog) {
    return ::listen(int(s), backlog) == 0;
}

Handle accept(Handle listener, sockaddr_in& caller) {
    socklen_t len = sizeof caller;
    const int fd = ::accept4(int(listener), reinterpret_cast<sockaddr*>(&caller), &len,
                             SOCK_CLOEXEC | SOCK_NONBLOCK);
    return fd < 0 ? kNone : fd;
}

std::int64_t send(Handle s, const char* data, std::size_t size, bool dontWait) {
    return ::send(int(s), data, size, MSG_NOSIGNAL | (dontWait ? MSG_DONTWAIT : 0));
}

std::int64_t receive(Handle s, char* data, std::size_t size) {
    return ::recv(int(s), data, size, 0);
}

std::int64_t sendTo(Handle s, const char* data, std::size_t size, const sockaddr_in& to) {
    return ::sendto(int(s), data, size, MSG_NOSIGNAL, asAddress(to), sizeof to);
}

std::int64_t receiveFrom(Handle s, char* data, std::size_t size, sockaddr_in& from) {
    socklen_t len = sizeof from;
    return ::recvfrom(int(s), data, size, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
}

int connectResult(Handle s) {
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(int(s), SOL_SOCKET, SO_ERROR, &soError, &len) != 0)
        return lastError();
    return soError == 0 ? 0 : fromSystem(soError);
}

int waitReadable(Handle s, int ms) {
    pollfd p{int(s), POLLIN, 0};
    const int rc = ::poll(&p, 1, ms < 0 ? -1 : ms);
    return rc > 0 ? 1 : rc;
}

sockaddr_in localAddress(Handle s) {
    sockaddr_in local{};
    socklen_t len = sizeof local;
    if (::getsockname(int(s), reinterpret_cast<sockaddr*>(&local), &len) != 0)
        return sockaddr_in{};
    return local;
}

} // namespace sysock
