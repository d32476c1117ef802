// SPDX-License-Identifier: GPL-3.0-or-later
// The LZRW1/KH block decoder on arbitrary blocks. A plain decoder written here
// byte by byte from the block rules (every read and write checked, no words,
// no quick groups) says what each block decodes to and where a damaged one
// stops; the real decoder must agree on the count, the bytes and the verdict,
// and must never touch memory outside the block or the 32,768-byte output.

#include "fuzzing.h"
#include "tlzr.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr uint8_t kStoredFlag = 0x80;
constexpr std::size_t kMinMatch = 3;
constexpr std::size_t kMinRun = 16;

struct Decoded {
    std::vector<uint8_t> bytes;
    bool damaged = false;
};

FUZZ_ORACLE Decoded plainDecode(const uint8_t* in, std::size_t m) {
    Decoded d;
    std::vector<uint8_t>& out = d.bytes;
    if (m <= 1)
        return d;
    if (in[0] == kStoredFlag) {
        const std::size_t n = std::min(m - 1, TLZR::BlockSize);
        out.assign(in + 1, in + 1 + n);
        d.damaged = m - 1 > TLZR::BlockSize;
        return d;
    }
    std::size_t x = 1;
    unsigned control = 0;
    int bits = 0;
    while (x < m) {
        if (bits == 0) {
            // A control word always has an item after it.
            if (m - x < 3) {
                d.damaged = true;
                return d;
            }
            control = unsigned(in[x]) << 8 | in[x + 1];
            x += 2;
            bits = 16;
        }
        const bool copy = control & 0x8000;
        control = (control << 1) & 0xFFFF;
        --bits;
        if (!copy) {
            if (out.size() == TLZR::BlockSize) {
                d.damaged = true;
                return d;
            }
            out.push_back(in[x++]);
            continue;
        }
        if (m - x < 2) {
            d.damaged = true;
            return d;
        }
        const std::size_t distance = std::size_t(in[x]) << 4 | in[x + 1] >> 4;
        if (distance == 0) {
            if (m - x < 4) {
                d.damaged = true;
                return d;
            }
            const std::size_t count = (std::size_t(in[x + 1]) << 8 | in[x + 2]) + kMinRun;
            if (count > TLZR::BlockSize - out.size()) {
                d.damaged = true;
                return d;
            }
            out.insert(out.end(), count, in[x + 3]);
            x += 4;
            continue;
        }
        const std::size_t length = (in[x + 1] & 0x0F) + kMinMatch;
        if (distance > out.size() || length > TLZR::BlockSize - out.size()) {
            d.damaged = true;
            return d;
        }
        for (std::size_t i = 0; i < length; ++i)
            out.push_back(out[out.size() - distance]);
        x += 2;
    }
    return d;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static TLZR codec;
    // Exact-size heap buffers, so a read or write outside them is caught by
    // AddressSanitizer.
    auto in = std::make_unique_for_overwrite<uint8_t[]>(size ? size : 1);
    if (size)
        std::memcpy(in.get(), data, size);
    auto out = std::make_unique_for_overwrite<uint8_t[]>(TLZR::BlockSize);
    bool damaged = false;
    const std::size_t produced = codec.DecompressBlock(in.get(), out.get(), size, &damaged);

    const Decoded expected = plainDecode(data, size);
    FUZZ_CHECK(damaged == expected.damaged);
    FUZZ_CHECK(produced == expected.bytes.size());
    FUZZ_CHECK(produced == 0 || std::memcmp(out.get(), expected.bytes.data(), produced) == 0);
    // Without the flag the decoder must still stop in bounds.
    FUZZ_CHECK(codec.DecompressBlock(in.get(), out.get(), size) == produced);
    return 0;
}
