// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the fuzz targets share: the check that ends a run on a broken property,
// a reader of structured values off the front of an input, in-memory streams
// (one that reads the input in place, one that counts what is written and
// refuses more than a cap, so a small input can never make a large output
// cost time or memory), and a scratch folder for the targets that need files.

#include <cstddef>
#include <cstdint>
#include <streambuf>
#include <string>
#include <string_view>

namespace fuzzing {

// Reports the broken property and aborts, so libFuzzer (or the replay
// program) reports the input.
[[noreturn]] void fail(const char* what, const char* file, int line);

} // namespace fuzzing

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::fuzzing::fail(#cond, __FILE__, __LINE__);                                            \
    } while (0)

// Marks an oracle: code that only computes what the code under test must
// answer. Its branches tell the fuzzer nothing new and tracing them costs
// time, so clang leaves it uninstrumented.
#if defined(__clang__)
#define FUZZ_ORACLE __attribute__((no_sanitize("coverage")))
#else
#define FUZZ_ORACLE
#endif

namespace fuzzing {

// Takes values off the front of the input. An exhausted input gives zeros and
// empty strings, so every input, however short, is a valid one.
class Input {
public:
    Input(const uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::size_t left() const { return m_size; }
    uint8_t byte();
    uint16_t u16();
    uint32_t u32();
    // Up to `n` bytes.
    std::string_view take(std::size_t n);
    // Bytes up to (not including) the next `stop`, which is taken too; at
    // most `limit` bytes.
    std::string_view until(uint8_t stop, std::size_t limit);
    std::string_view rest() { return take(m_size); }

private:
    const uint8_t* m_data;
    std::size_t m_size;
};

// Reads a block of memory in place; seeks work as on a file.
class MemoryInBuf : public std::streambuf {
public:
    MemoryInBuf(const void* data, std::size_t size);

protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
};

// Counts and checksums what is written, storing none of it. A write that
// would take the count past `cap` is refused (the stream goes bad), and
// refused() tells that the cap, not the writer, ended the output.
class CountingOutBuf : public std::streambuf {
public:
    explicit CountingOutBuf(std::size_t cap) : m_cap(cap) {}

    std::size_t count() const { return m_count; }
    uint64_t checksum() const { return m_sum; }
    bool refused() const { return m_refused; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override;

private:
    void add(const char* s, std::size_t n);

    std::size_t m_cap;
    std::size_t m_count = 0;
    uint64_t m_sum = 0xcbf29ce484222325ull;
    bool m_refused = false;
};

// FNV-1a over bytes, continuing from `sum`: the same value CountingOutBuf
// keeps for the same bytes.
uint64_t checksum(const void* data, std::size_t size, uint64_t sum = 0xcbf29ce484222325ull);

// A folder of this process's own (in /dev/shm when the machine has it, so
// file-mode targets stay fast), made on first use and removed at exit.
const std::string& scratchDir();
std::string scratchPath(const char* name);

// Writes the bytes to the file, replacing it; aborts when it cannot.
void writeFile(const std::string& path, const void* data, std::size_t size);
std::string readFile(const std::string& path);
bool fileExists(const std::string& path);

} // namespace fuzzing
