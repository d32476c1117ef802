// SPDX-License-Identifier: GPL-3.0-or-later
// Running out of memory: each part reports it with its own text. This test
// executable replaces the global operator new so that one chosen allocation
// can be made to fail.

#include "testdata.h"
#include "tlzh.h"
#include "tlzr.h"
#include "tlzrw1.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <sstream>

namespace {
// The next allocation of at least this many bytes fails (0: none does).
std::atomic<std::size_t> g_failFrom{0};
} // namespace

void* operator new(std::size_t n) {
    const std::size_t from = g_failFrom.load();
    if (from != 0 && n >= from) {
        g_failFrom = 0;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t n) {
    return operator new(n);
}

void operator delete[](void* p) noexcept {
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

template <class E, class F> std::string messageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(OutOfMemory, EachPartSaysWhatItCouldNotGet) {
    g_failFrom = 8192; // the hash table
    EXPECT_EQ(messageOf<ELzrw1KHCompressor>([] { TLZR codec; }),
              "LZRW1KH : no memory for HASH table");

    TLZH lzh;
    const Bytes in = textBytes(100, 1);
    g_failFrom = 16384; // the coder's window and trees, the decoder's tables
    EXPECT_EQ(messageOf<ElzhException>(
                  [&] { lzh.LZHPack(TLZH::readerOf(in.data(), in.size()), [](uint8_t) {}); }),
              "LZH : Cannot get memory for dictionary tables");
    g_failFrom = 4096;
    EXPECT_EQ(messageOf<ElzhException>([&] {
                  lzh.LZHUnpack(
                      10, [](uint8_t&) { return false; }, [](uint8_t) {});
              }),
              "LZH : Cannot get memory for dictionary tables");

    std::stringstream source(std::string(in.begin(), in.end())), sink;
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &source;
    c.OutputStream = &sink;
    g_failFrom = 32768; // the I/O buffers
    EXPECT_EQ(messageOf<ELzrw1Exception>([&] { c.Compress(); }),
              "Lzrw1 (de)compression : Failed to get memory for I/O buffers !");
    g_failFrom = 32768;
    EXPECT_EQ(messageOf<ELzrw1Exception>([&] { c.Decompress(); }),
              "Lzrw1 (de)compression : Failed to get memory for I/O buffers !");
    g_failFrom = 32768;
    EXPECT_EQ(messageOf<ELzrw1Exception>([&] { c.Advise(); }),
              "Lzrw1 advise : Error getting I/O buffers");
    g_failFrom = 0;

    // And with memory back, the same component works.
    EXPECT_GT(c.Compress(), 8);
}
