// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tight codec (LZH): LZSS over a 4,096-byte window with binary-tree match
// search, literals and match lengths in an adaptive Huffman code, match
// positions in a fixed code. One whole input becomes one bit stream; the codec
// sees only byte callbacks and writes no length (the container carries it).
//
// The stream is part of our file format, so its bytes must never change.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>

class ElzhException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kLzhNoMemoryMessage = "LZH : Cannot get memory for dictionary tables";
// Kept for callers that match on it; releasing our tables cannot fail.
inline constexpr const char* kLzhFreeMessage = "LZH : Error freeing memory for dictionary tables";

class TLZH {
public:
    // Sets `byte` and returns true, or returns false when the input has ended.
    using ByteReader = std::function<bool(uint8_t& byte)>;
    using ByteWriter = std::function<void(uint8_t byte)>;

    // A reader of the `size` bytes at `data`, in turn, then of the end: for an
    // input held whole in memory, which must outlive the reader.
    static ByteReader readerOf(const void* data, std::size_t size);

    // Codes everything `reader` delivers; returns the number of input bytes.
    // An empty input still gives one symbol, so the output is never empty.
    int64_t LZHPack(const ByteReader& reader, const ByteWriter& writer);

    // Decodes until `count` bytes have come out. A damaged stream may make the
    // last match run up to 59 bytes past `count`; callers compare the count
    // they received. Bytes the reader no longer has are read as zeros, and
    // exceptions thrown by the callbacks pass through.
    void LZHUnpack(int64_t count, const ByteReader& reader, const ByteWriter& writer);
};
