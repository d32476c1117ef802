// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The system's sockets as TSock uses them: every call whose form differs
// between POSIX and Windows Sockets, in one place. sysock_posix.cpp and
// sysock_windows.cpp are its two sides. Errors come back as Windows Sockets
// numbers on both, the numbering of the component's reports, so the texts
// ("Error #10061 (WSAECONNREFUSED)") read the same everywhere.

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstddef>
#include <cstdint>

namespace sysock {

// A socket: a file descriptor on POSIX, a SOCKET on Windows.
using Handle = std::intptr_t;
inline constexpr Handle kNone = -1;

// The Windows Sockets numbers of the conditions the component tells apart.
inline constexpr int kInterrupted = 10004; // WSAEINTR
inline constexpr int kWouldBlock = 10035;  // WSAEWOULDBLOCK; EAGAIN
inline constexpr int kInProgress = 10036;  // WSAEINPROGRESS: a connect under way
inline constexpr int kNoBuffers = 10055;   // WSAENOBUFS
inline constexpr int kShutDown = 10058;    // WSAESHUTDOWN; EPIPE, the sending side gone
inline constexpr int kTimedOut = 10060;    // WSAETIMEDOUT

// Process start-up and clean-up of the system's socket library (WSAStartup
// and WSACleanup; nothing on POSIX). Calls pair up and may nest.
bool startup();
void cleanup();

// The error of the last call that failed, as a Windows Sockets number.
int lastError();
// A system error number (a connect's SO_ERROR) as a Windows Sockets number;
// on POSIX, an errno without a counterpart is placed above the Windows
// numbers (20000 + errno), so that it still reads as an error.
int fromSystem(int error);
#ifndef _WIN32
// The Windows Sockets number of a POSIX errno value; 0 when none fits.
int wsaFromErrno(int error);
#endif

// A new IPv4 socket that programs started later don't inherit; kNone when
// the system refused (lastError() says why).
Handle open(bool stream);
bool close(Handle s);
bool setNonBlocking(Handle s, bool on);
// Readies a socket to listen: it may bind its port again while old
// connections still linger there, and no other program may take the port
// while it listens.
void prepareListener(Handle s);
// 0 once connected or while a non-blocking connect goes on; otherwise the
// error.
int connect(Handle s, const sockaddr_in& to);
bool bind(Handle s, const sockaddr_in& local);
bool listen(Handle s, int backlog);
// A waiting connection, non-blocking and not inherited; kNone when none.
Handle accept(Handle listener, sockaddr_in& caller);
// Never raise SIGPIPE. `dontWait`: return at once even on a blocking socket.
std::int64_t send(Handle s, const char* data, std::size_t size, bool dontWait);
std::int64_t receive(Handle s, char* data, std::size_t size);
std::int64_t sendTo(Handle s, const char* data, std::size_t size, const sockaddr_in& to);
// Never waits.
std::int64_t receiveFrom(Handle s, char* data, std::size_t size, sockaddr_in& from);
// How a non-blocking connect ended: 0 for connected, else its error.
int connectResult(Handle s);
// Waits until `s` is readable: 1; 0 after `ms` milliseconds (negative: no
// limit); -1 on an error (lastError()).
int waitReadable(Handle s, int ms);
// The address the socket is bound to; all zero when it has none.
sockaddr_in localAddress(Handle s);
// The port the socket is bound to, in host order; 0 when it has none.
inline std::uint16_t localPort(Handle s) {
    return ntohs(localAddress(s).sin_port);
}

} // namespace sysock
