// SPDX-License-Identifier: GPL-3.0-or-later
#include "tlzrw1.h"

#include "tlzrw1_run.h"

#include <filesystem>
#include <istream>

namespace {
// Inputs under three blocks are too small for the fast codec to be worth it.
constexpr int64_t kSmallInput = 3 * int64_t(TLZR::BlockSize);
constexpr int64_t kBlockMask = ~int64_t(TLZR::BlockSize - 1);
} // namespace

TCompressMode Tlzrw1::Advise() {
    setCaption(UseStream ? std::string("Guessing the best compression mode for the inputstream")
                         : "Guessing the best compression mode for : " + InputFile);
    lzrw1::Run run(*this, "Lzrw1 advise : Error getting I/O buffers");

    int64_t size = -1;
    std::streampos saved = -1;
    if (UseStream) {
        if (InputStream) {
            saved = InputStream->tellg();
            if (saved >= 0 && InputStream->seekg(0, std::ios::end)) {
                size = InputStream->tellg();
                InputStream->seekg(saved);
            }
        }
        if (size < 0 || !*InputStream) {
            if (InputStream)
                InputStream->clear();
            run.fail("Lzrw1 advise : can not get size of inputstream !");
        }
        if (!InputStream->seekg(0, std::ios::beg))
            run.fail("Lzrw1 edvise : can not initialize the input stream!");
        run.in = InputStream;
    } else {
        std::error_code ec;
        const auto fileSize = std::filesystem::file_size(InputFile, ec);
        if (ec)
            run.fail("Lzrw1 advise : can not get the size of : " + InputFile);
        size = int64_t(fileSize);
        run.inFile.open(InputFile, std::ios::binary);
        if (!run.inFile.is_open())
            run.fail("Lzrw1 advise : can open input file : " + InputFile);
        run.in = &run.inFile;
    }
    const auto restore = [&] {
        if (UseStream) {
            InputStream->clear();
            InputStream->seekg(saved);
        } else {
            run.inFile.close();
        }
    };

    if (size < kSmallInput) {
        CompressMode = TCompressMode::Good;
        restore();
        setCaption("Lzrw1 recommends GOOD compression :  small file !!");
        return TCompressMode::Good;
    }

    int64_t coded = 0;
    int64_t read = 0;
    for (const int64_t offset : {(size / 3) & kBlockMask, (size * 2 / 3) & kBlockMask}) {
        run.in->seekg(offset);
        const int64_t got = *run.in ? run.readUpTo(run.inBuf.data(), TLZR::BlockSize) : -1;
        if (got < 0) {
            restore();
            run.fail(UseStream ? std::string("Lzrw1 advise : input stream read error !")
                               : "Lzrw1 advise : read error on input file : " + InputFile);
        }
        read += got;
        coded += m_lzr->CompressBlock(run.inBuf.data(), run.outBuf.data(), std::size_t(got));
    }
    restore();

    const std::string ratio = std::to_string(read > 0 ? coded * 100 / read : 0);
    if (coded < int64_t(Threshold) * read / 100) {
        setCaption("Lzrw1 recommends FAST compression : " + ratio + "%.");
        return TCompressMode::Fast;
    }
    setCaption("Lzrw1 recommends GOOD compression : " + ratio + "%.");
    return TCompressMode::Good;
}
