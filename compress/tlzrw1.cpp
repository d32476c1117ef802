// SPDX-License-Identifier: GPL-3.0-or-later
#include "tlzrw1.h"

#include "tlzrw1_run.h"

#include <cstring>
#include <limits>

using namespace lzrw1;

namespace {
constexpr const char* kBuffersMessage =
    "Lzrw1 (de)compression : Failed to get memory for I/O buffers !";
constexpr const char* kFastSizes =
    "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
// The largest block a compressor can write: a stored block of 32,768 bytes.
constexpr std::size_t kLongestBlock = TLZR::BlockSize + 1;
} // namespace

Tlzrw1::Tlzrw1() : m_lzr(std::make_unique<TLZR>()), m_lzh(std::make_unique<TLZH>()) {}

Tlzrw1::~Tlzrw1() = default;

void Tlzrw1::setCaption(const std::string& text) {
    m_caption = text;
    if (OnCaption)
        OnCaption(m_caption);
}

void Tlzrw1::progress(const char* codec, const Run& run) {
    if (Visible)
        setCaption(std::string("(") + codec + ") Bytes in : " + std::to_string(run.bytesRead) +
                   " Bytes out : " + std::to_string(run.bytesWritten));
    if (OnYield)
        OnYield();
}

// After a successful operation: files closed, and the result caption (stream
// mode: streamText + P + "%"; file mode: InputFile + fileText + P + "%").
int64_t Tlzrw1::finishRun(lzrw1::Run& run, const char* streamText, const char* fileText) {
    run.closeFiles();
    if (Visible) {
        const std::string p = std::to_string(percent(run.bytesWritten, run.bytesRead));
        setCaption(UseStream ? streamText + p + "%" : InputFile + fileText + p + "%");
    }
    return run.bytesWritten;
}

int64_t Tlzrw1::Compress() {
    TCompressMode mode = CompressMode;
    if (mode == TCompressMode::Auto)
        mode = Advise();
    lzrw1::Run run(*this, kBuffersMessage);

    const std::optional<int64_t> size = run.remainingInputSize();
    // The header holds a signed 32-bit size; a larger input cannot be framed.
    if (!size || *size > std::numeric_limits<int32_t>::max())
        run.fail(
            UseStream
                ? std::string("Lzrw1 compression : Failed to obtain the size of the input stream !")
                : "Lzrw1 compression : Failed to obtain the size of : " + InputFile);
    run.openBoth();
    try {
        uint8_t header[8];
        std::memcpy(header, mode == TCompressMode::Fast ? kFastId : kGoodId, 4);
        putInt32(header + 4, int32_t(*size));
        run.writeExact(header, 4);
        run.writeExact(header + 4, 4);
        if (mode == TCompressMode::Fast)
            compressLzrw(run);
        else
            compressLzh(run);
        // The header promised *size bytes; an input that changed under us
        // would leave a container that can never be decoded.
        if (run.bytesRead != *size)
            run.fail(run.readError());
        run.finishOutput();
    } catch (...) {
        run.discardOutput();
        throw;
    }
    return finishRun(run, "Lzrw1 : inputstream successfully compressed at ",
                     " : Lzrw1 : successfully compressed at ");
}

void Tlzrw1::compressLzrw(lzrw1::Run& run) {
    int64_t got = 0;
    do {
        got = run.readUpTo(run.inBuf.data(), TLZR::BlockSize);
        if (got < 0)
            run.fail(run.readErrorOf("LZRW1/KH"));
        run.bytesRead += got;
        const uint16_t length =
            m_lzr->CompressBlock(run.inBuf.data(), run.outBuf.data(), std::size_t(got));
        const uint8_t prefix[2] = {uint8_t(length), uint8_t(length >> 8)};
        run.writeExact(prefix, 2);
        run.writeExact(run.outBuf.data(), length);
        progress("LZRW1/KH", run);
    } while (got == int64_t(TLZR::BlockSize));
}

int64_t Tlzrw1::Decompress() {
    lzrw1::Run run(*this, kBuffersMessage);
    run.openBoth();
    try {
        uint8_t id[4];
        run.readExact(id, 4);
        const bool fast = std::memcmp(id, kFastId, 4) == 0;
        if (!fast && std::memcmp(id, kGoodId, 4) != 0)
            run.fail(
                UseStream
                    ? std::string("Lzrw1 decompression : input stream contains no valid header !")
                    : InputFile + " : Lzrw1 decompression : this file has no valid header !");
        uint8_t sizeField[4];
        run.readExact(sizeField, 4);
        const int64_t size = getInt32(sizeField);
        if (fast)
            decompressLzrw(run, size);
        else
            decompressLzh(run, size);
        run.finishOutput();
    } catch (...) {
        run.discardOutput();
        throw;
    }
    return finishRun(run, "LZrw1 : inputstream successfully decompressed at ",
                     " : Lzrw1 : successfully decompressed at ");
}

void Tlzrw1::decompressLzrw(lzrw1::Run& run, int64_t size) {
    // Checked before each block is written, so a damaged or lying container
    // is refused without writing more than its header promised.
    if (size < 0)
        run.fail(kFastSizes);
    std::size_t produced = TLZR::BlockSize;
    while (produced == TLZR::BlockSize) {
        uint8_t prefix[2];
        run.readExact(prefix, 2);
        const std::size_t length = std::size_t(prefix[0]) | (std::size_t(prefix[1]) << 8);
        if (length > kLongestBlock)
            run.fail(kFastSizes);
        run.readExact(run.inBuf.data(), length);
        bool damaged = false;
        produced = m_lzr->DecompressBlock(run.inBuf.data(), run.outBuf.data(), length, &damaged);
        if (damaged || int64_t(produced) > size - run.bytesWritten)
            run.fail(kFastSizes);
        run.writeExact(run.outBuf.data(), produced);
        progress("LZRW1/KH", run);
    }
    if (run.bytesWritten != size)
        run.fail(kFastSizes);
}
