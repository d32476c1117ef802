// SPDX-License-Identifier: GPL-3.0-or-later
// The compression component: exact container bytes, round trips through both
// codecs in file and stream mode, captions and Advise.

#include "testdata.h"
#include "tlzrw1.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string str(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

Bytes compressStream(const Bytes& in, TCompressMode mode, int64_t* written = nullptr) {
    std::stringstream source(str(in)), sink;
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &source;
    c.OutputStream = &sink;
    c.CompressMode = mode;
    const int64_t n = c.Compress();
    if (written)
        *written = n;
    return bytesOf(sink.str());
}

Bytes decompressStream(const Bytes& in, int64_t* written = nullptr) {
    std::stringstream source(str(in)), sink;
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &source;
    c.OutputStream = &sink;
    const int64_t n = c.Decompress();
    if (written)
        *written = n;
    return bytesOf(sink.str());
}

Bytes header(const char* id, uint32_t size) {
    Bytes h(id, id + 4);
    for (int i = 0; i < 4; ++i)
        h.push_back(uint8_t(size >> (8 * i)));
    return h;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The block lengths of a LZRW1/KH container.
std::vector<std::size_t> blockLengths(const Bytes& c) {
    std::vector<std::size_t> lengths;
    for (std::size_t pos = 8; pos + 2 <= c.size();) {
        const std::size_t l = c[pos] | (c[pos + 1] << 8);
        lengths.push_back(l);
        pos += 2 + l;
    }
    return lengths;
}

} // namespace

TEST(Lzrw1Container, EmptyInputInFastModeIsElevenBytes) {
    int64_t written = 0;
    const Bytes c = compressStream({}, TCompressMode::Fast, &written);
    EXPECT_EQ(c, concat({header("WRZL", 0), {0x01, 0x00, 0x80}}));
    EXPECT_EQ(written, 11);
    int64_t back = -1;
    EXPECT_TRUE(decompressStream(c, &back).empty());
    EXPECT_EQ(back, 0);
}

TEST(Lzrw1Container, EmptyInputInGoodModeIsOneSymbol) {
    const Bytes c = compressStream({}, TCompressMode::Good);
    EXPECT_EQ(c, concat({header("!HZL", 0), {0xD6, 0x00}}));
    EXPECT_TRUE(decompressStream(c).empty());
}

TEST(Lzrw1Container, SmallInputsHaveExactBytes) {
    Bytes run(20, 'A');
    run.push_back('B');
    EXPECT_EQ(
        compressStream(run, TCompressMode::Fast),
        concat({header("WRZL", 21), {0x08, 0x00, 0x40, 0x80, 0x00, 0x00, 0x00, 0x04, 'A', 'B'}}));
    EXPECT_EQ(compressStream(bytesOf("AB"), TCompressMode::Good),
              concat({header("!HZL", 2), {0xE6, 0xF3, 0x80}}));
}

TEST(Lzrw1Container, FullBlocksEndWithABlockMadeFromNothing) {
    const Bytes in = textBytes(65536, 3);
    const Bytes c = compressStream(in, TCompressMode::Fast);
    const auto lengths = blockLengths(c);
    ASSERT_EQ(lengths.size(), 3u);
    EXPECT_EQ(lengths[2], 1u);
    EXPECT_EQ(Bytes(c.end() - 3, c.end()), (Bytes{0x01, 0x00, 0x80}));
    EXPECT_EQ(Bytes(c.begin(), c.begin() + 8), header("WRZL", 65536));
    EXPECT_EQ(decompressStream(c), in);
}

TEST(Lzrw1Container, IncompressibleBlockIsStored) {
    const Bytes in = randomBytes(32768, 5);
    const Bytes c = compressStream(in, TCompressMode::Fast);
    ASSERT_EQ(c.size(), 8u + 2 + 32769 + 3);
    EXPECT_EQ(c[8], 0x01);
    EXPECT_EQ(c[9], 0x80);
    EXPECT_EQ(c[10], 0x80);
    EXPECT_TRUE(std::equal(in.begin(), in.end(), c.begin() + 11));
    EXPECT_EQ(decompressStream(c), in);
}

TEST(Lzrw1Container, RoundTripsInStreamMode) {
    const std::vector<Bytes> inputs = {
        textBytes(150000, 1),    recordBytes(70000), runBytes(100000, 2), randomBytes(40000, 3),
        blankLedBytes(33000, 4), Bytes(32767, 'q'),  textBytes(32769, 6)};
    for (TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
        for (const Bytes& in : inputs) {
            int64_t written = 0;
            const Bytes c = compressStream(in, mode, &written);
            EXPECT_EQ(written, int64_t(c.size()));
            int64_t back = 0;
            EXPECT_EQ(decompressStream(c, &back), in);
            EXPECT_EQ(back, int64_t(in.size()));
        }
    }
}

TEST(Lzrw1Container, RoundTripsInFileMode) {
    TempDir dir;
    const std::vector<Bytes> inputs = {
        textBytes(100000, 7), {}, randomBytes(98304, 8), Bytes(1, 'x')};
    for (TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
        for (const Bytes& in : inputs) {
            writeFile(dir.path("in.txt"), in);
            Tlzrw1 c;
            c.InputFile = dir.path("in.txt");
            c.OutputFile = dir.path("packed.tld");
            c.CompressMode = mode;
            const int64_t written = c.Compress();
            const Bytes packed = readFile(dir.path("packed.tld"));
            EXPECT_EQ(written, int64_t(packed.size()));
            EXPECT_EQ(packed, compressStream(in, mode)); // both modes write the same bytes

            c.InputFile = dir.path("packed.tld");
            c.OutputFile = dir.path("out.txt");
            EXPECT_EQ(c.Decompress(), int64_t(in.size()));
            EXPECT_EQ(readFile(dir.path("out.txt")), in);
        }
    }
}

TEST(Lzrw1Container, StreamCompressionStartsWhereTheStreamStands) {
    const Bytes in = textBytes(40000, 9);
    std::stringstream source(str(in)), sink;
    source.seekg(1000);
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &source;
    c.OutputStream = &sink;
    c.CompressMode = TCompressMode::Fast;
    c.Compress();
    const Bytes packed = bytesOf(sink.str());
    // The header counts what was compressed, so the container decodes.
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + 8), header("WRZL", 39000));
    EXPECT_EQ(decompressStream(packed), Bytes(in.begin() + 1000, in.end()));
}

TEST(Lzrw1Container, VisibleComponentCaptionsProgressAndResult) {
    TempDir dir;
    writeFile(dir.path("in.txt"), textBytes(70000, 10));
    Tlzrw1 c;
    std::vector<std::string> captions;
    int yields = 0;
    c.OnCaption = [&](const std::string& s) { captions.push_back(s); };
    c.OnYield = [&] { ++yields; };
    c.InputFile = dir.path("in.txt");
    c.OutputFile = dir.path("out.tld");
    c.CompressMode = TCompressMode::Fast;

    c.Compress(); // not visible: no captions, but the yield still runs per block
    EXPECT_TRUE(captions.empty());
    EXPECT_EQ(yields, 3);

    c.Visible = true;
    const int64_t written = c.Compress();
    ASSERT_EQ(captions.size(), 4u);
    const auto lengths = blockLengths(readFile(dir.path("out.tld")));
    EXPECT_EQ(captions[0],
              "(LZRW1/KH) Bytes in : 32768 Bytes out : " + std::to_string(10 + lengths[0]));
    EXPECT_EQ(captions[3], dir.path("in.txt") + " : Lzrw1 : successfully compressed at " +
                               std::to_string(written * 100 / 70000) + "%");
    EXPECT_EQ(c.Caption(), captions[3]);

    captions.clear();
    c.InputFile = dir.path("out.tld");
    c.OutputFile = dir.path("back.txt");
    EXPECT_EQ(c.Decompress(), 70000);
    EXPECT_EQ(captions.back(), dir.path("out.tld") + " : Lzrw1 : successfully decompressed at " +
                                   std::to_string(70000 * 100 / written) + "%");

    std::stringstream source(str(textBytes(100, 1))), sink;
    c.UseStream = true;
    c.InputStream = &source;
    c.OutputStream = &sink;
    c.CompressMode = TCompressMode::Good;
    c.Compress();
    EXPECT_EQ(captions.back(), "Lzrw1 : inputstream successfully compressed at " +
                                   std::to_string(int64_t(sink.str().size()) * 100 / 100) + "%");
    EXPECT_EQ(captions[captions.size() - 2].rfind("(LZH) Bytes in : 100 Bytes out : ", 0), 0u);
}

TEST(Lzrw1Container, AdviseSmallInputIsGood) {
    std::stringstream source(str(Bytes(98303, 0)));
    source.seekg(77);
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &source;
    c.CompressMode = TCompressMode::Fast;
    std::vector<std::string> captions;
    c.OnCaption = [&](const std::string& s) { captions.push_back(s); };
    EXPECT_EQ(c.Advise(), TCompressMode::Good);
    EXPECT_EQ(c.CompressMode, TCompressMode::Good);
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Guessing the best compression mode for the inputstream",
                                        "Lzrw1 recommends GOOD compression :  small file !!"}));
    EXPECT_EQ(source.tellg(), 77);
}

TEST(Lzrw1Container, AdviseSamplesTheSecondAndThirdBlocks) {
    TempDir dir;
    // 98,304 bytes: the samples are at 32,768 and 65,536 and see only zeros
    // when the random bytes fill the first block, and only random bytes when
    // they fill the other two.
    const Bytes zerosAfter = concat({randomBytes(32768, 1), Bytes(65536, 0)});
    const Bytes randomAfter = concat({Bytes(32768, 0), randomBytes(65536, 2)});
    writeFile(dir.path("a.bin"), zerosAfter);
    Tlzrw1 c;
    c.InputFile = dir.path("a.bin");
    c.CompressMode = TCompressMode::Fast;
    EXPECT_EQ(c.Advise(), TCompressMode::Fast);
    // Each all-zero block codes to 38 bytes (eight runs, a literal, a match).
    EXPECT_EQ(c.Caption(), "Lzrw1 recommends FAST compression : 0%.");

    writeFile(dir.path("b.bin"), randomAfter);
    c.InputFile = dir.path("b.bin");
    EXPECT_EQ(c.Advise(), TCompressMode::Good);
    EXPECT_EQ(c.Caption(), "Lzrw1 recommends GOOD compression : 100%.");
    EXPECT_EQ(c.CompressMode, TCompressMode::Fast); // only small inputs change it

    std::stringstream source(str(zerosAfter));
    source.seekg(5);
    c.UseStream = true;
    c.InputStream = &source;
    EXPECT_EQ(c.Advise(), TCompressMode::Fast);
    EXPECT_EQ(source.tellg(), 5);
}

TEST(Lzrw1Container, AdviseThresholdDecides) {
    // Text codes to somewhere between 40 % and 100 % of its size.
    const Bytes in = textBytes(200000, 3);
    std::stringstream source(str(in));
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &source;
    c.Threshold = 40;
    EXPECT_EQ(c.Advise(), TCompressMode::Good);
    const std::string caption = c.Caption();
    const int ratio = std::stoi(caption.substr(caption.rfind(':') + 2));
    c.Threshold = ratio + 1; // coded < (ratio + 1) % of the samples
    EXPECT_EQ(c.Advise(), TCompressMode::Fast);
    EXPECT_EQ(c.Caption(), "Lzrw1 recommends FAST compression : " + std::to_string(ratio) + "%.");
    c.Threshold = ratio;
    EXPECT_EQ(c.Advise(), TCompressMode::Good);
}

TEST(Lzrw1Container, AutoModeFollowsAdvise) {
    TempDir dir;
    writeFile(dir.path("small.txt"), textBytes(1000, 4));
    Tlzrw1 c;
    c.InputFile = dir.path("small.txt");
    c.OutputFile = dir.path("small.tld");
    c.CompressMode = TCompressMode::Auto;
    c.Compress();
    EXPECT_EQ(readFile(dir.path("small.tld"))[0], '!');
    EXPECT_EQ(c.CompressMode, TCompressMode::Good);

    writeFile(dir.path("zeros.bin"), Bytes(200000, 0));
    c.InputFile = dir.path("zeros.bin");
    c.OutputFile = dir.path("zeros.tld");
    c.CompressMode = TCompressMode::Auto;
    c.Compress();
    EXPECT_EQ(readFile(dir.path("zeros.tld"))[0], 'W');
    EXPECT_EQ(c.CompressMode, TCompressMode::Auto);
    c.InputFile = dir.path("zeros.tld");
    c.OutputFile = dir.path("zeros.out");
    c.Decompress();
    EXPECT_EQ(readFile(dir.path("zeros.out")), Bytes(200000, 0));
}
