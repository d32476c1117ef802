// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fast block codec (LZRW1/KH): a one-pass LZ77 coder over blocks of at most
// 32,768 bytes, with 3- to 18-byte back-references inside 4,095 bytes and a
// run item for long runs of one byte. Every block is coded on its own, so the
// container can cut an input anywhere on a 32,768-byte boundary.
//
// The coded form is part of our file format (the tally file is stored in it),
// so the bytes CompressBlock produces for a given input must never change.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>

class ELzrw1KHCompressor : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TLZR {
public:
    static constexpr std::size_t BlockSize = 32768;
    // Room the compressor may use past `n` before it gives up and stores.
    static constexpr std::size_t OutputSlack = 16;

    // Obtains the hash table; throws ELzrw1KHCompressor when memory is short.
    TLZR();
    ~TLZR();
    TLZR(const TLZR&) = delete;
    TLZR& operator=(const TLZR&) = delete;

    // Codes `n` (at most BlockSize) bytes of `in` into `out`, which must hold
    // n + OutputSlack bytes. Returns the block length, never more than n + 1.
    uint16_t CompressBlock(const uint8_t* in, uint8_t* out, std::size_t n);

    // Decodes the block of `m` bytes at `in` into `out`, which must hold
    // BlockSize bytes, and returns the count produced. It never reads outside
    // the block nor writes past BlockSize bytes: on a damaged block (a copy
    // reaching before the output start, output past BlockSize, an item cut off
    // at the block end) it stops there and sets *damaged, when given.
    std::size_t DecompressBlock(const uint8_t* in, uint8_t* out, std::size_t m,
                                bool* damaged = nullptr);

private:
    std::unique_ptr<int16_t[]> m_hash;
};
