// SPDX-License-Identifier: GPL-3.0-or-later
// The LZH decoder on arbitrary bit streams. The first two bytes ask for a
// count (kept under kMaxCount, so that no input costs more than a fraction of
// a millisecond: a few bits can ask for a 60-byte match), the third says
// whether the writer stops the decoder by throwing, and where; the rest is
// the stream. The decoder must give at least the count and at most one match
// more, read nothing after the end but zeros, and let a callback's exception
// through without leaking its tables.

#include "fuzzing.h"
#include "tlzh.h"

namespace {

constexpr int64_t kMaxCount = 4096;
// The longest match, and so the most a decoder may write past its count.
constexpr int64_t kLongestMatch = 60;

struct Stop {};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    fuzzing::Input input(data, size);
    const int64_t count = 1 + input.u16() % kMaxCount;
    const uint8_t stopByte = input.byte();
    // One input in four stops the decoder from its writer.
    const int64_t stopAt = stopByte % 4 == 0 ? stopByte * count / 256 : -1;
    const std::string_view stream = input.rest();

    int64_t produced = 0;
    TLZH codec;
    try {
        codec.LZHUnpack(count, TLZH::readerOf(stream.data(), stream.size()), [&](uint8_t) {
            if (produced == stopAt)
                throw Stop{};
            ++produced;
        });
        // A stop point always lies before the count.
        FUZZ_CHECK(stopAt < 0);
        FUZZ_CHECK(produced >= count && produced < count + kLongestMatch);
    } catch (const Stop&) {
        FUZZ_CHECK(produced == stopAt);
    }
    return 0;
}
