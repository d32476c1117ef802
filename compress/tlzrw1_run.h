// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One Compress, Decompress or Advise of the compression component: its input
// and output (the caller's streams or the files it opened), its two buffers,
// its byte counts, and the error texts of the mode it runs in. Internal to the
// component.

#include "tlzrw1.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace lzrw1 {

struct Run {
    static constexpr std::size_t kBufferSize = TLZR::BlockSize + TLZR::OutputSlack;

    explicit Run(const Tlzrw1& owner, const char* bufferMessage);

    const Tlzrw1& owner;
    std::vector<uint8_t> inBuf;
    std::vector<uint8_t> outBuf;
    std::istream* in = nullptr;
    std::ostream* out = nullptr;
    std::ifstream inFile;
    std::ofstream outFile;
    bool outputCreated = false;
    int64_t bytesRead = 0;
    int64_t bytesWritten = 0;

    // The caller's streams after the zero-move checks, or the input file
    // opened and the output file created; throws with the matching text.
    void openBoth();
    void openInput();
    // Deletes the output file if this run created it (file mode only).
    void discardOutput();
    void closeFiles();
    // Pushes out what the output still buffers; a failure is a write error.
    void finishOutput();

    // Reads up to n bytes; returns the count, or -1 when the input failed.
    int64_t readUpTo(uint8_t* buf, std::size_t n);
    // Read and write checks: exactly n bytes or an exception.
    void readExact(uint8_t* buf, std::size_t n);
    void writeExact(const uint8_t* buf, std::size_t n);

    // Size of the input from where it stands to its end, or nothing.
    std::optional<int64_t> remainingInputSize();

    std::string readError() const;
    std::string readErrorOf(const char* codec) const;
    std::string writeError() const;
    [[noreturn]] void fail(const std::string& message) const;
};

inline constexpr char kFastId[4] = {'W', 'R', 'Z', 'L'};
inline constexpr char kGoodId[4] = {'!', 'H', 'Z', 'L'};
int64_t percent(int64_t part, int64_t whole);
void putInt32(uint8_t* p, int32_t value);
int32_t getInt32(const uint8_t* p);
} // namespace lzrw1
