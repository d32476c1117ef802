// SPDX-License-Identifier: GPL-3.0-or-later
// netns_tool: the small programs a test network's machines run (netns.h
// starts them inside namespaces), plain POSIX so that each starts at once.
//
//   netns_tool stun ADDRESS OTHER-ADDRESS PORT OTHER-PORT
//       A STUN server (binding requests, with CHANGE-REQUEST honoured from
//       its other address and port, as NAT type detection expects). Prints
//       "ready" once it listens; serves until ended.
//   netns_tool listen PORT TOKEN
//       Accepts TCP connections on PORT (every address) and writes TOKEN and
//       a line end to each, then closes it. Prints "ready"; serves until ended.
//   netns_tool connect ADDRESS PORT TIMEOUT-MS
//       Connects, prints what the peer sent until it closed; exit status 1
//       (and why, on stderr) when no connection was made in time.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr uint32_t kMagicCookie = 0x2112A442;
constexpr uint16_t kBindingRequest = 0x0001;
constexpr uint16_t kBindingResponse = 0x0101;
constexpr uint16_t kMappedAddress = 0x0001;
constexpr uint16_t kChangeRequest = 0x0003;
constexpr uint16_t kXorMappedAddress = 0x0020;
constexpr uint32_t kChangeIp = 0x04;
constexpr uint32_t kChangePort = 0x02;

int fail(const char* what) {
    std::fprintf(stderr, "%s: %s\n", what, std::strerror(errno));
    return 1;
}

sockaddr_in endpoint(const char* address, int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    inet_pton(AF_INET, address, &a.sin_addr);
    return a;
}

void put16(std::string& out, uint16_t v) {
    out += char(v >> 8);
    out += char(v & 0xff);
}

void putAddress(std::string& out, uint16_t type, uint16_t port, uint32_t address) {
    put16(out, type);
    put16(out, 8);
    put16(out, 0x0001); // IPv4
    put16(out, port);
    for (int shift = 24; shift >= 0; shift -= 8)
        out += char((address >> shift) & 0xff);
}

uint16_t get16(const unsigned char* p) {
    return uint16_t(p[0] << 8 | p[1]);
}

// socks[address * 2 + port]
int stun(const char* address, const char* other, int port, int otherPort) {
    int socks[4];
    const char* addresses[2] = {address, other};
    const int ports[2] = {port, otherPort};
    for (int i = 0; i < 4; ++i) {
        socks[i] = socket(AF_INET, SOCK_DGRAM, 0);
        const sockaddr_in at = endpoint(addresses[i / 2], ports[i % 2]);
        if (socks[i] < 0 || bind(socks[i], reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0)
            return fail("stun: bind");
    }
    std::printf("ready\n");
    std::fflush(stdout);
    pollfd fds[4];
    for (int i = 0; i < 4; ++i)
        fds[i] = {socks[i], POLLIN, 0};
    for (;;) {
        if (poll(fds, 4, -1) < 0 && errno != EINTR)
            return fail("stun: poll");
        for (int i = 0; i < 4; ++i) {
            if (!(fds[i].revents & POLLIN))
                continue;
            unsigned char in[1500];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n = recvfrom(socks[i], in, sizeof in, 0,
                                       reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < 20 || get16(in) != kBindingRequest)
                continue;
            uint32_t change = 0;
            for (ssize_t at = 20; at + 4 <= n;) {
                const uint16_t type = get16(in + at), length = get16(in + at + 2);
                if (type == kChangeRequest && length == 4 && at + 8 <= n)
                    change = uint32_t(in[at + 4]) << 24 | uint32_t(in[at + 5]) << 16 |
                             uint32_t(in[at + 6]) << 8 | in[at + 7];
                at += 4 + ((length + 3) & ~3);
            }
            const uint16_t fromPort = ntohs(from.sin_port);
            const uint32_t fromAddress = ntohl(from.sin_addr.s_addr);
            std::string body;
            putAddress(body, kMappedAddress, fromPort, fromAddress);
            putAddress(body, kXorMappedAddress, fromPort ^ uint16_t(kMagicCookie >> 16),
                       fromAddress ^ kMagicCookie);
            std::string out;
            put16(out, kBindingResponse);
            put16(out, uint16_t(body.size()));
            out.append(reinterpret_cast<const char*>(in) + 4, 16); // cookie, transaction
            out += body;
            const int answerer = ((i / 2) ^ ((change & kChangeIp) ? 1 : 0)) * 2 +
                                 ((i % 2) ^ ((change & kChangePort) ? 1 : 0));
            sendto(socks[answerer], out.data(), out.size(), 0,
                   reinterpret_cast<const sockaddr*>(&from), fromLength);
        }
    }
}

int listenFor(int port, const char* token) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in at = endpoint("0.0.0.0", port);
    if (bind(listener, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 ||
        listen(listener, 16) != 0)
        return fail("listen");
    std::printf("ready\n");
    std::fflush(stdout);
    const std::string line = std::string(token) + "\n";
    for (;;) {
        const int peer = accept(listener, nullptr, nullptr);
        if (peer < 0)
            continue;
        send(peer, line.data(), line.size(), MSG_NOSIGNAL);
        close(peer);
    }
}

int connectTo(const char* address, int port, int timeoutMs) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    fcntl(s, F_SETFL, O_NONBLOCK);
    const sockaddr_in to = endpoint(address, port);
    if (connect(s, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0 && errno != EINPROGRESS)
        return fail("connect");
    pollfd p{s, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    if (poll(&p, 1, timeoutMs) != 1) {
        std::fprintf(stderr, "connect: timed out\n");
        return 1;
    }
    getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length);
    if (error != 0) {
        errno = error;
        return fail("connect");
    }
    std::string got;
    p.events = POLLIN;
    char buffer[256];
    while (got.size() < 4096 && poll(&p, 1, timeoutMs) == 1) {
        const ssize_t n = read(s, buffer, sizeof buffer);
        if (n <= 0)
            break;
        got.append(buffer, size_t(n));
    }
    std::fputs(got.c_str(), stdout);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "stun" && argc == 6)
        return stun(argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]));
    if (mode == "listen" && argc == 4)
        return listenFor(std::atoi(argv[2]), argv[3]);
    if (mode == "connect" && argc == 5)
        return connectTo(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    std::fprintf(stderr, "usage: netns_tool stun|listen|connect ...\n");
    return 2;
}
