// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The LZRW1/KH block layout and the word helpers its coder and decoder share.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace lzrw {

constexpr std::size_t kHashSize = 4096;
constexpr std::size_t kMaxDistance = 4095;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMaxMatch = 18;
constexpr std::size_t kMinRun = 16;
constexpr std::size_t kMaxRun = 4095;
constexpr uint8_t kCodedFlag = 0x40;
constexpr uint8_t kStoredFlag = 0x80;

// Little-endian loads whatever the machine: byte k of memory is byte k of the
// value, so "first differing byte" is the lowest nonzero byte of an XOR.
inline uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap64(v);
    return v;
}

inline uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap32(v);
    return v;
}

inline void store64(uint8_t* p, uint64_t v) {
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
}

// Index of the first differing byte of two loaded words (their XOR, nonzero).
inline std::size_t firstDifferentByte(uint64_t diff) {
    return std::size_t(std::countr_zero(diff)) >> 3;
}

inline void putWord(uint8_t* out, unsigned value) {
    out[0] = uint8_t(value >> 8);
    out[1] = uint8_t(value);
}

} // namespace lzrw
