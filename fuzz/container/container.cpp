// SPDX-License-Identifier: GPL-3.0-or-later
// The compression component decoding a damaged or hostile container, the way
// a tally file reaches it: once from a stream and once from a file, which
// must agree. A failure is an ELzrw1Exception and nothing else; in file mode
// it leaves no output file behind. A success wrote exactly the size the
// header promised, in both modes the same bytes.
//
// Output is counted, never kept, and capped: a few bytes of a container can
// promise and produce megabytes, and what the fuzzer wants is the decoding
// around the block and stream edges, not the bulk. The cap is four blocks
// for LZRW1/KH, whose blocks decode at memory speed, and just under one of
// the LZH writer's 32,768-byte flushes for LZH, which costs far more a byte
// (a stream of literals still reaches the adaptive code's rebuild, after
// 32,454 symbols). In stream mode the counting output refuses a write past
// the cap; in file mode the progress hook, called after every block or
// flush, stops the run once the output file has passed it. File mode runs
// only when stream mode ended within kFileModeLimit bytes, so an input is
// decoded at length once, not twice.

#include "fuzzing.h"
#include "tlzrw1.h"

#include <cstring>
#include <filesystem>
#include <istream>
#include <ostream>

namespace {

constexpr std::size_t kLzrwCap = 4 * TLZR::BlockSize;
constexpr std::size_t kLzhCap = TLZR::BlockSize - 1;
constexpr std::size_t kFileModeLimit = 8192;

struct CapReached {};

struct Outcome {
    bool ok = false;
    bool capped = false;
    int64_t written = 0; // on a failure, what the output had taken
    uint64_t sum = 0;
};

int64_t headerSize(const uint8_t* data, std::size_t size) {
    if (size < 8)
        return -1;
    return int32_t(uint32_t(data[4]) | uint32_t(data[5]) << 8 | uint32_t(data[6]) << 16 |
                   uint32_t(data[7]) << 24);
}

bool knownHeader(const uint8_t* data, std::size_t size) {
    return size >= 4 && (std::memcmp(data, "WRZL", 4) == 0 || std::memcmp(data, "!HZL", 4) == 0);
}

std::size_t outputCap(const uint8_t* data, std::size_t size) {
    return size >= 4 && std::memcmp(data, "!HZL", 4) == 0 ? kLzhCap : kLzrwCap;
}

// The component's texts start "Lzrw1"; in file mode a few name the file first.
bool componentText(const std::string& what, const std::string& file = {}) {
    return what.rfind("Lzrw1", 0) == 0 || (!file.empty() && what.rfind(file + " : Lzrw1", 0) == 0);
}

Outcome fromStream(const uint8_t* data, std::size_t size) {
    fuzzing::MemoryInBuf inBuf(data, size);
    std::istream in(&inBuf);
    fuzzing::CountingOutBuf outBuf(outputCap(data, size));
    std::ostream out(&outBuf);
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &in;
    c.OutputStream = &out;
    Outcome o;
    try {
        o.written = c.Decompress();
        o.ok = true;
        FUZZ_CHECK(o.written == int64_t(outBuf.count()));
        FUZZ_CHECK(o.written == headerSize(data, size));
        FUZZ_CHECK(knownHeader(data, size));
    } catch (const ELzrw1Exception& e) {
        FUZZ_CHECK(componentText(e.what()));
        o.capped = outBuf.refused();
        o.written = int64_t(outBuf.count());
    }
    o.sum = outBuf.checksum();
    return o;
}

Outcome fromFile(const uint8_t* data, std::size_t size) {
    static const std::string inPath = fuzzing::scratchPath("in.lzw");
    static const std::string outPath = fuzzing::scratchPath("out.bin");
    fuzzing::writeFile(inPath, data, size);
    Tlzrw1 c;
    c.InputFile = inPath;
    c.OutputFile = outPath;
    c.Visible = true;
    c.OnYield = [cap = outputCap(data, size)] {
        std::error_code ec;
        if (std::filesystem::file_size(outPath, ec) > cap && !ec)
            throw CapReached{};
    };
    Outcome o;
    try {
        o.written = c.Decompress();
        o.ok = true;
        const std::string out = fuzzing::readFile(outPath);
        FUZZ_CHECK(int64_t(out.size()) == o.written);
        o.sum = fuzzing::checksum(out.data(), out.size());
        // The result caption names the input file and ends in a percentage.
        FUZZ_CHECK(c.Caption().rfind(inPath, 0) == 0 && c.Caption().back() == '%');
    } catch (const ELzrw1Exception& e) {
        FUZZ_CHECK(componentText(e.what(), inPath));
        FUZZ_CHECK(!fuzzing::fileExists(outPath));
    } catch (const CapReached&) {
        // The hook's exception passes through and the half file is gone.
        o.capped = true;
        FUZZ_CHECK(!fuzzing::fileExists(outPath));
    }
    return o;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const Outcome stream = fromStream(data, size);
    if (stream.capped || stream.written > int64_t(kFileModeLimit))
        return 0;
    const Outcome file = fromFile(data, size);
    // The same decoding in both modes: file mode cannot run into the cap.
    FUZZ_CHECK(!file.capped);
    FUZZ_CHECK(stream.ok == file.ok);
    if (stream.ok) {
        FUZZ_CHECK(stream.written == file.written);
        FUZZ_CHECK(stream.sum == file.sum);
    }
    return 0;
}
