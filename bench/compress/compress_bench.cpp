// SPDX-License-Identifier: GPL-3.0-or-later
// Measures both codecs beside zlib (levels 1 and 6) and LZ4 on a few corpora
// and prints ratio and speed, then the goals: LZRW1/KH codes at least half as
// fast as LZ4 and decodes at least a third as fast; LZH codes and decodes at
// 10 MB/s or more, and on text comes within 15 % of zlib level 6's size.
//
// Speeds are MB/s of uncompressed data per second of processor time.
//
// Usage: compress_bench [seconds-per-measurement [more files to measure...]]

#include "tlzh.h"
#include "tlzr.h"

#include <lz4.h>
#include <time.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

double g_seconds = 0.5;

Bytes readFile(const std::filesystem::path& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    Bytes data(std::istreambuf_iterator<char>(in), {});
    if (data.size() > limit)
        data.resize(limit);
    return data;
}

Bytes wordList() {
    Bytes all;
    const std::filesystem::path dir = "/usr/share/dict/scowl";
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec))
        if (entry.path().filename().string().rfind("english-words.", 0) == 0)
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
        const Bytes part = readFile(f, SIZE_MAX);
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// A tally file's text: 9 columns, one row of own totals and one per followed
// opponent, every cell on its own CR LF line, column by column.
Bytes tallyText(int opponents) {
    const int rows = opponents + 1;
    std::string t = "9\r\n" + std::to_string(rows) + "\r\n";
    for (int col = 0; col < 9; ++col)
        for (int row = 0; row < rows; ++row) {
            if (row == 0)
                t += std::to_string(col == 0 ? 0 : (col * 37) % 500);
            else if (col == 0)
                t += "Player" + std::to_string(row * 13 % 97);
            else
                t += std::to_string((row * 7 + col * 3) % (col < 5 ? 60 : 5));
            t += "\r\n";
        }
    return Bytes(t.begin(), t.end());
}

// This thread's processor time in seconds. Speeds are measured in processor
// time rather than wall time, so that other programs busy on the machine do
// not skew one codec's figures against another's.
double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Runs `work` until g_seconds have passed; returns MB/s over `bytes` per run.
double speed(std::size_t bytes, const std::function<void()>& work) {
    int runs = 0;
    const double start = cpuSeconds();
    double elapsed = 0;
    do {
        work();
        ++runs;
        elapsed = cpuSeconds() - start;
    } while (elapsed < g_seconds);
    return double(bytes) * runs / elapsed / 1e6;
}

struct Result {
    std::string codec;
    std::size_t packed = 0;
    double packSpeed = 0;
    double unpackSpeed = 0;
};

void fail(const std::string& what) {
    std::fprintf(stderr, "round trip failed: %s\n", what.c_str());
    std::exit(1);
}

Result lzrw(const Bytes& in) {
    TLZR codec;
    Bytes packed(in.size() + in.size() / TLZR::BlockSize * 3 + 64);
    std::size_t packedSize = 0;
    auto pack = [&] {
        std::size_t out = 0;
        for (std::size_t pos = 0; pos < in.size(); pos += TLZR::BlockSize) {
            const std::size_t n = std::min(TLZR::BlockSize, in.size() - pos);
            const uint16_t length =
                codec.CompressBlock(in.data() + pos, packed.data() + out + 2, n);
            packed[out] = uint8_t(length);
            packed[out + 1] = uint8_t(length >> 8);
            out += 2 + length;
        }
        packedSize = out;
    };
    Bytes back(in.size() + TLZR::BlockSize);
    std::size_t backSize = 0;
    auto unpack = [&] {
        std::size_t out = 0;
        for (std::size_t pos = 0; pos < packedSize;) {
            const std::size_t length = packed[pos] | (packed[pos + 1] << 8);
            out += codec.DecompressBlock(packed.data() + pos + 2, back.data() + out, length);
            pos += 2 + length;
        }
        backSize = out;
    };
    Result r{"LZRW1/KH"};
    r.packSpeed = speed(in.size(), pack);
    r.unpackSpeed = speed(in.size(), unpack);
    if (backSize != in.size() || !std::equal(in.begin(), in.end(), back.begin()))
        fail("LZRW1/KH");
    r.packed = packedSize;
    return r;
}

Result lzh(const Bytes& in) {
    TLZH codec;
    Bytes packed;
    packed.reserve(in.size() + 64);
    auto pack = [&] {
        packed.clear();
        codec.LZHPack(TLZH::readerOf(in.data(), in.size()),
                      [&](uint8_t b) { packed.push_back(b); });
    };
    Bytes back;
    back.reserve(in.size() + 64);
    auto unpack = [&] {
        back.clear();
        codec.LZHUnpack(int64_t(in.size()), TLZH::readerOf(packed.data(), packed.size()),
                        [&](uint8_t b) { back.push_back(b); });
    };
    Result r{"LZH"};
    r.packSpeed = speed(in.size(), pack);
    r.unpackSpeed = speed(in.size(), unpack);
    if (back != in)
        fail("LZH");
    r.packed = packed.size();
    return r;
}

Result zlib(const Bytes& in, int level) {
    Bytes packed(compressBound(uLong(in.size())));
    uLongf packedSize = 0;
    auto pack = [&] {
        packedSize = uLongf(packed.size());
        compress2(packed.data(), &packedSize, in.data(), uLong(in.size()), level);
    };
    Bytes back(in.size());
    auto unpack = [&] {
        uLongf backSize = uLongf(back.size());
        uncompress(back.data(), &backSize, packed.data(), packedSize);
    };
    Result r{"zlib -" + std::to_string(level)};
    r.packSpeed = speed(in.size(), pack);
    r.unpackSpeed = speed(in.size(), unpack);
    if (back != in)
        fail(r.codec);
    r.packed = packedSize;
    return r;
}

Result lz4(const Bytes& in) {
    Bytes packed(std::size_t(LZ4_compressBound(int(in.size()))));
    int packedSize = 0;
    auto pack = [&] {
        packedSize = LZ4_compress_default(reinterpret_cast<const char*>(in.data()),
                                          reinterpret_cast<char*>(packed.data()), int(in.size()),
                                          int(packed.size()));
    };
    Bytes back(in.size());
    auto unpack = [&] {
        LZ4_decompress_safe(reinterpret_cast<const char*>(packed.data()),
                            reinterpret_cast<char*>(back.data()), packedSize, int(back.size()));
    };
    Result r{"LZ4 default"};
    r.packSpeed = speed(in.size(), pack);
    r.unpackSpeed = speed(in.size(), unpack);
    if (back != in)
        fail(r.codec);
    r.packed = std::size_t(packedSize);
    return r;
}

const char* verdict(bool ok) {
    return ok ? "met" : "NOT met";
}

void corpus(const std::string& name, const Bytes& in, bool isText) {
    if (in.empty()) {
        std::printf("\n%s: not available, skipped\n", name.c_str());
        return;
    }
    std::printf("\n%s: %zu bytes\n", name.c_str(), in.size());
    std::printf("  %-12s %12s %8s %14s %14s\n", "codec", "packed", "ratio", "code MB/s",
                "decode MB/s");
    const std::vector<Result> results = {lzrw(in), lzh(in), zlib(in, 1), zlib(in, 6), lz4(in)};
    for (const Result& r : results)
        std::printf("  %-12s %12zu %7.1f%% %14.1f %14.1f\n", r.codec.c_str(), r.packed,
                    100.0 * double(r.packed) / double(in.size()), r.packSpeed, r.unpackSpeed);
    const Result& fast = results[0];
    const Result& good = results[1];
    const Result& z6 = results[3];
    const Result& l4 = results[4];
    std::printf("  goals:\n");
    std::printf("    LZRW1/KH codes at %.2f x LZ4 (goal >= 0.50): %s\n",
                fast.packSpeed / l4.packSpeed, verdict(fast.packSpeed >= l4.packSpeed / 2));
    std::printf("    LZRW1/KH decodes at %.2f x LZ4 (goal >= 0.33): %s\n",
                fast.unpackSpeed / l4.unpackSpeed, verdict(fast.unpackSpeed >= l4.unpackSpeed / 3));
    std::printf("    LZH codes at %.1f MB/s, decodes at %.1f MB/s (goal >= 10): %s\n",
                good.packSpeed, good.unpackSpeed,
                verdict(good.packSpeed >= 10 && good.unpackSpeed >= 10));
    if (isText)
        std::printf("    LZH size is %.3f x zlib -6 (goal <= 1.15 on text): %s\n",
                    double(good.packed) / double(z6.packed),
                    verdict(double(good.packed) <= 1.15 * double(z6.packed)));
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1)
        g_seconds = std::max(0.05, std::atof(argv[1]));
    corpus("word list (scowl english-words.*)", wordList(), true);
    corpus("word list records (generated TEXT_DEMO)", readFile(VORLIX_WORD_RECORDS, SIZE_MAX),
           true);
    corpus("binary (/usr/bin/cmake, first 4 MiB)", readFile("/usr/bin/cmake", 4u << 20), false);
    corpus("binary (this benchmark program)", readFile(argv[0], SIZE_MAX), false);
    corpus("tally text (200 followed opponents)", tallyText(200), true);
    for (int i = 2; i < argc; ++i)
        corpus(argv[i], readFile(argv[i], SIZE_MAX), false);
    return 0;
}
