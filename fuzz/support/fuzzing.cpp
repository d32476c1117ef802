// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzzing.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fuzzing {

void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "\nFUZZ CHECK FAILED: %s (%s:%d)\n", what, file, line);
    std::fflush(stderr);
    std::abort();
}

uint8_t Input::byte() {
    if (m_size == 0)
        return 0;
    --m_size;
    return *m_data++;
}

uint16_t Input::u16() {
    const uint16_t high = byte();
    return uint16_t(high << 8 | byte());
}

uint32_t Input::u32() {
    const uint32_t high = u16();
    return high << 16 | u16();
}

std::string_view Input::take(std::size_t n) {
    n = std::min(n, m_size);
    const std::string_view taken(reinterpret_cast<const char*>(m_data), n);
    m_data += n;
    m_size -= n;
    return taken;
}

std::string_view Input::until(uint8_t stop, std::size_t limit) {
    const std::size_t span = std::min(limit, m_size);
    const auto* found = static_cast<const uint8_t*>(std::memchr(m_data, stop, span));
    if (!found)
        return take(span);
    const std::string_view taken = take(std::size_t(found - m_data));
    byte(); // the stop itself
    return taken;
}

MemoryInBuf::MemoryInBuf(const void* data, std::size_t size) {
    // The stream buffer interface takes non-const pointers; nothing writes
    // through them.
    char* begin = const_cast<char*>(static_cast<const char*>(data));
    setg(begin, begin, begin + size);
}

MemoryInBuf::pos_type MemoryInBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                           std::ios_base::openmode which) {
    off_type base = 0;
    if (dir == std::ios_base::cur)
        base = gptr() - eback();
    else if (dir == std::ios_base::end)
        base = egptr() - eback();
    return seekpos(pos_type(base + off), which);
}

MemoryInBuf::pos_type MemoryInBuf::seekpos(pos_type pos, std::ios_base::openmode) {
    const off_type at = off_type(pos);
    if (at < 0 || at > egptr() - eback())
        return pos_type(off_type(-1));
    setg(eback(), eback() + at, egptr());
    return pos;
}

void CountingOutBuf::add(const char* s, std::size_t n) {
    m_sum = fuzzing::checksum(s, n, m_sum);
    m_count += n;
}

CountingOutBuf::int_type CountingOutBuf::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    if (m_count + 1 > m_cap) {
        m_refused = true;
        return traits_type::eof();
    }
    const char byte = traits_type::to_char_type(c);
    add(&byte, 1);
    return c;
}

std::streamsize CountingOutBuf::xsputn(const char* s, std::streamsize n) {
    if (m_count + std::size_t(n) > m_cap) {
        m_refused = true;
        return 0;
    }
    add(s, std::size_t(n));
    return n;
}

CountingOutBuf::pos_type CountingOutBuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                                 std::ios_base::openmode) {
    // Only "where am I" is answered: the output cannot move back.
    if (off != 0 || dir != std::ios_base::cur)
        return pos_type(off_type(-1));
    return pos_type(off_type(m_count));
}

uint64_t checksum(const void* data, std::size_t size, uint64_t sum) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i)
        sum = (sum ^ p[i]) * 0x100000001b3ull;
    return sum;
}

namespace {

std::string makeScratchDir() {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path base =
        fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path dir = base / ("vorlix-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(dir, ec);
    if (ec) {
        std::fprintf(stderr, "cannot make the scratch folder %s\n", dir.c_str());
        std::abort();
    }
    return dir.string();
}

} // namespace

const std::string& scratchDir() {
    static const std::string dir = makeScratchDir();
    static const bool cleaned = [] {
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(scratchDir(), ec);
        });
        return true;
    }();
    (void)cleaned;
    return dir;
}

std::string scratchPath(const char* name) {
    return scratchDir() + "/" + name;
}

void writeFile(const std::string& path, const void* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(size));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write the scratch file %s\n", path.c_str());
        std::abort();
    }
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    std::string bytes(std::size_t(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), std::streamsize(bytes.size()));
    bytes.resize(std::size_t(in.gcount()));
    return bytes;
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

} // namespace fuzzing
