// SPDX-License-Identifier: GPL-3.0-or-later
// The compressing side. The component's container must hold exactly what the
// plain reference coders of the differential tests write (the coded form is
// our file format), framed with the right header and size; it must be the
// same from a stream and from a file, and decode back to the input. Advise
// must answer without moving the input. The block coder also runs on its own
// with exact-size buffers, so a write past its documented room is caught.
//
// Input: flags, threshold, [blocks, delta,] data.
//   flags bits 0-1  mode: Good, Fast, Auto, Fast
//   flags bit 2     file mode as well, compared with stream mode
//   flags bit 3     tiled: the data repeated to a length, and advised on.
//                   blocks % 4 of 1 to 3: blocks x 32,768 + delta bytes
//                   (delta signed), coded Fast, so that block edges and
//                   Advise's sampling are reached without coding large random
//                   inputs (LZH over 100 KB would cost many milliseconds);
//                   blocks % 4 of 0: 4,096 + 32 x delta bytes (delta
//                   unsigned), in any mode, so that LZH's window slides and
//                   its longest matches are found
//   flags bits 4-7  bytes of the input before where the input stream stands

#include "fuzzing.h"
#include "reference_codecs.h"
#include "tlzh.h"
#include "tlzr.h"
#include "tlzrw1.h"

#include <cstring>
#include <istream>
#include <memory>
#include <sstream>

namespace {

constexpr std::size_t kSmallInput = 3 * TLZR::BlockSize;
// The LZH coder's window.
constexpr std::size_t kLzhWindow = 4096;

using View = std::string_view;

Bytes bytesOf(View v) {
    return Bytes(v.begin(), v.end());
}

void putInt32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += char(uint8_t(v >> (8 * i)));
}

// The container the component must write, from the reference coders.
FUZZ_ORACLE std::string expectedContainer(View data, bool fast) {
    std::string out = fast ? "WRZL" : "!HZL";
    putInt32(out, uint32_t(data.size()));
    if (!fast) {
        const Bytes coded = reference::lzhPack(bytesOf(data));
        return out.append(coded.begin(), coded.end());
    }
    // One block per 32,768 bytes read; a read that fills its block is
    // followed by another, so an input of whole blocks ends in an empty one.
    std::size_t at = 0;
    for (;;) {
        const View block = data.substr(at, TLZR::BlockSize);
        const Bytes coded = reference::lzrwCompress(bytesOf(block));
        out += char(uint8_t(coded.size()));
        out += char(uint8_t(coded.size() >> 8));
        out.append(coded.begin(), coded.end());
        at += block.size();
        if (block.size() < TLZR::BlockSize)
            return out;
    }
}

// Both coders through their own interfaces, buffers no larger than promised.
void directCodecs(View data) {
    static TLZR lzr;
    const std::size_t n = std::min(data.size(), TLZR::BlockSize);
    const auto* in = reinterpret_cast<const uint8_t*>(data.data());
    auto packed = std::make_unique<uint8_t[]>(n + TLZR::OutputSlack);
    const uint16_t length = lzr.CompressBlock(in, packed.get(), n);
    FUZZ_CHECK(length <= n + 1);
    auto back = std::make_unique<uint8_t[]>(TLZR::BlockSize);
    bool damaged = true;
    FUZZ_CHECK(lzr.DecompressBlock(packed.get(), back.get(), length, &damaged) == n);
    FUZZ_CHECK(!damaged && std::memcmp(back.get(), in, n) == 0);

    TLZH lzh;
    Bytes coded;
    const int64_t read = lzh.LZHPack(TLZH::readerOf(data.data(), data.size()),
                                     [&](uint8_t b) { coded.push_back(b); });
    FUZZ_CHECK(read == int64_t(data.size()) && !coded.empty());
    std::string decoded;
    lzh.LZHUnpack(read, TLZH::readerOf(coded.data(), coded.size()),
                  [&](uint8_t b) { decoded += char(b); });
    FUZZ_CHECK(decoded == data);
}

std::string decompressed(const std::string& container) {
    std::istringstream in(container);
    std::ostringstream out;
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &in;
    c.OutputStream = &out;
    FUZZ_CHECK(c.Decompress() == int64_t(out.str().size()));
    return out.str();
}

// Compresses `whole` from `skip` bytes in, from a stream.
std::string compressStream(View whole, std::size_t skip, TCompressMode mode, int threshold) {
    fuzzing::MemoryInBuf inBuf(whole.data(), whole.size());
    std::istream in(&inBuf);
    in.seekg(std::streamoff(skip));
    std::ostringstream out;
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &in;
    c.OutputStream = &out;
    c.CompressMode = mode;
    c.Threshold = threshold;
    const int64_t written = c.Compress();
    const std::string container = out.str();
    FUZZ_CHECK(written == int64_t(container.size()));
    // Auto is only ever asked for with small inputs here: they are coded
    // tight, and the mode says so afterwards.
    FUZZ_CHECK(mode != TCompressMode::Auto || c.CompressMode == TCompressMode::Good);
    FUZZ_CHECK(container == expectedContainer(whole.substr(skip), mode == TCompressMode::Fast));
    return container;
}

std::string compressFile(View data, TCompressMode mode, int threshold) {
    static const std::string inPath = fuzzing::scratchPath("plain.bin");
    static const std::string packedPath = fuzzing::scratchPath("packed.lzw");
    static const std::string backPath = fuzzing::scratchPath("back.bin");
    fuzzing::writeFile(inPath, data.data(), data.size());
    Tlzrw1 c;
    c.InputFile = inPath;
    c.OutputFile = packedPath;
    c.CompressMode = mode;
    c.Threshold = threshold;
    const int64_t written = c.Compress();
    const std::string container = fuzzing::readFile(packedPath);
    FUZZ_CHECK(written == int64_t(container.size()));

    Tlzrw1 d;
    d.InputFile = packedPath;
    d.OutputFile = backPath;
    FUZZ_CHECK(d.Decompress() == int64_t(data.size()));
    FUZZ_CHECK(fuzzing::readFile(backPath) == data);
    return container;
}

// Advise from a stream standing `skip` bytes in, and from a file when asked;
// both must give the same answer.
void advise(View whole, std::size_t skip, int threshold, bool fileToo) {
    fuzzing::MemoryInBuf inBuf(whole.data(), whole.size());
    std::istream in(&inBuf);
    in.seekg(std::streamoff(skip));
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &in;
    c.Threshold = threshold;
    c.CompressMode = TCompressMode::Fast;
    const TCompressMode advice = c.Advise();
    FUZZ_CHECK(in.good() && in.tellg() == std::streampos(std::streamoff(skip)));
    FUZZ_CHECK(advice == TCompressMode::Fast || advice == TCompressMode::Good);
    if (whole.size() < kSmallInput) {
        FUZZ_CHECK(advice == TCompressMode::Good && c.CompressMode == TCompressMode::Good);
    } else {
        // A large input's mode is left alone, and no coder gets under 0 %.
        FUZZ_CHECK(c.CompressMode == TCompressMode::Fast);
        FUZZ_CHECK(threshold > 0 || advice == TCompressMode::Good);
    }
    if (fileToo) {
        static const std::string path = fuzzing::scratchPath("advise.bin");
        fuzzing::writeFile(path, whole.data(), whole.size());
        Tlzrw1 f;
        f.InputFile = path;
        f.Threshold = threshold;
        FUZZ_CHECK(f.Advise() == advice);
    }
}

std::string tiled(View data, std::size_t length) {
    if (data.empty())
        return std::string(length, '\0');
    std::string out;
    out.reserve(length + data.size());
    while (out.size() < length)
        out.append(data);
    out.resize(length);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, std::size_t size) {
    fuzzing::Input input(bytes, size);
    const uint8_t flags = input.byte();
    const int threshold = input.byte();
    const bool fileToo = flags & 4;
    static constexpr TCompressMode kModes[] = {TCompressMode::Good, TCompressMode::Fast,
                                               TCompressMode::Auto, TCompressMode::Fast};
    TCompressMode mode = kModes[flags & 3];

    std::string content;
    const bool tiles = flags & 8;
    const int blocks = tiles ? input.byte() % 4 : 0;
    if (tiles) {
        const uint8_t delta = input.byte();
        const int64_t length = blocks == 0 ? int64_t(kLzhWindow) + 32 * delta
                                           : blocks * int64_t(TLZR::BlockSize) + int8_t(delta);
        content = tiled(input.rest(), std::size_t(length));
    } else {
        content = input.rest();
        directCodecs(content);
    }
    const std::size_t skip = std::min<std::size_t>(flags >> 4, content.size());
    if (tiles) {
        advise(content, skip, threshold, fileToo);
        if (blocks > 0)
            mode = TCompressMode::Fast;
    }
    const std::string container = compressStream(content, skip, mode, threshold);
    const View rest = View(content).substr(skip);
    FUZZ_CHECK(decompressed(container) == rest);
    if (fileToo)
        FUZZ_CHECK(compressFile(rest, mode, threshold) == container);
    return 0;
}
