// SPDX-License-Identifier: GPL-3.0-or-later
// The compression component refusing what it cannot do: damaged, truncated
// and lying containers, missing files, failing streams. In file mode no
// half-made output may remain.

#include "testdata.h"
#include "tlzrw1.h"

#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

namespace {

const std::string kFastSizes =
    "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
const std::string kLzhSizes =
    "Lzrw1 (LZH decompression) : Original and compressed sizes do not match !";

std::string str(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

Bytes pack(const Bytes& in, TCompressMode mode) {
    std::stringstream source(str(in)), sink;
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &source;
    c.OutputStream = &sink;
    c.CompressMode = mode;
    c.Compress();
    return bytesOf(sink.str());
}

// The message Decompress raises on `container` in stream mode ("" if none).
std::string streamError(const Bytes& container, std::string* output = nullptr) {
    std::stringstream source(str(container)), sink;
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &source;
    c.OutputStream = &sink;
    try {
        c.Decompress();
    } catch (const ELzrw1Exception& e) {
        if (output)
            *output = sink.str();
        return e.what();
    }
    return "";
}

// The same in file mode; also checks that no output file is left behind.
std::string fileError(const Bytes& container) {
    TempDir dir;
    writeFile(dir.path("in.tld"), container);
    Tlzrw1 c;
    c.InputFile = dir.path("in.tld");
    c.OutputFile = dir.path("out.txt");
    std::string message;
    try {
        c.Decompress();
    } catch (const ELzrw1Exception& e) {
        message = e.what();
        EXPECT_FALSE(fileExists(dir.path("out.txt"))) << message;
    }
    // Report the path-free form so cases can compare across directories.
    const std::string path = dir.path("in.tld");
    for (std::size_t at; (at = message.find(path)) != std::string::npos;)
        message.replace(at, path.size(), "IN");
    return message;
}

void setSize(Bytes& container, uint32_t size) {
    for (int i = 0; i < 4; ++i)
        container[4 + i] = uint8_t(size >> (8 * i));
}

// A stream buffer that accepts `limit` bytes and then fails every write.
class FailingSink : public std::streambuf {
public:
    explicit FailingSink(std::size_t limit) : m_limit(limit) {}

protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
        return off == 0 && dir == std::ios_base::cur ? pos_type(off_type(m_taken)) : pos_type(-1);
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof()))
            return traits_type::not_eof(c);
        return m_taken++ < m_limit ? c : traits_type::eof();
    }

private:
    std::size_t m_limit;
    std::size_t m_taken = 0;
};

// An input that can seek but whose reads break down part-way.
class BreakingSource : public std::stringbuf {
public:
    using std::stringbuf::stringbuf;

protected:
    std::streamsize xsgetn(char* s, std::streamsize n) override {
        if (++m_reads > 1)
            throw std::runtime_error("device gone");
        return std::stringbuf::xsgetn(s, n);
    }

private:
    int m_reads = 0;
};

// An input whose end, when asked, lies `reported` bytes on, whatever it holds.
class LyingSource : public std::stringbuf {
public:
    LyingSource(const std::string& data, std::streamoff reported)
        : std::stringbuf(data, std::ios::in), m_reported(reported) {}

protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                     std::ios_base::openmode which) override {
        if (dir == std::ios_base::end) {
            m_atEnd = true;
            return pos_type(m_reported);
        }
        if (m_atEnd && dir == std::ios_base::cur && off == 0)
            return pos_type(m_reported);
        return std::stringbuf::seekoff(off, dir, which);
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
        m_atEnd = false;
        return std::stringbuf::seekpos(pos, which);
    }

private:
    std::streamoff m_reported;
    bool m_atEnd = false;
};

std::string compressError(std::istream& source) {
    std::stringstream sink;
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &source;
    c.OutputStream = &sink;
    c.CompressMode = TCompressMode::Fast;
    try {
        c.Compress();
    } catch (const ELzrw1Exception& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(Lzrw1Refusals, ContainerWithoutValidHeader) {
    Bytes bogus = pack(bytesOf("hello"), TCompressMode::Fast);
    bogus[0] = 'X';
    EXPECT_EQ(streamError(bogus), "Lzrw1 decompression : input stream contains no valid header !");
    EXPECT_EQ(fileError(bogus), "IN : Lzrw1 decompression : this file has no valid header !");
    EXPECT_EQ(streamError({}), "Lzrw1 : Error reading from input stream !");
    EXPECT_EQ(fileError(bytesOf("WRZ")), "Lzrw1 : Error reading from input file : IN");
}

TEST(Lzrw1Refusals, TruncatedFastContainer) {
    const Bytes full = pack(textBytes(80000, 1), TCompressMode::Fast);
    for (std::size_t cut : {std::size_t(6), std::size_t(9), std::size_t(500), full.size() - 1}) {
        const Bytes truncated(full.begin(), full.begin() + cut);
        EXPECT_EQ(streamError(truncated), "Lzrw1 : Error reading from input stream !") << cut;
        EXPECT_EQ(fileError(truncated), "Lzrw1 : Error reading from input file : IN") << cut;
    }
}

TEST(Lzrw1Refusals, FastContainerWithWrongSize) {
    Bytes c = pack(textBytes(1000, 2), TCompressMode::Fast);
    setSize(c, 999);
    std::string output;
    EXPECT_EQ(streamError(c, &output), kFastSizes);
    EXPECT_TRUE(output.empty()); // the block would overshoot the size: not written
    setSize(c, 1001);
    EXPECT_EQ(streamError(c), kFastSizes);
    EXPECT_EQ(fileError(c), kFastSizes);
    setSize(c, 0x80000000u); // negative
    EXPECT_EQ(streamError(c), kFastSizes);
    EXPECT_EQ(fileError(c), kFastSizes);
}

TEST(Lzrw1Refusals, FastContainerWithDamagedBlocks) {
    const Bytes head{'W', 'R', 'Z', 'L', 0x10, 0x00, 0x00, 0x00};
    auto withBlock = [&](const Bytes& block) {
        Bytes c = head;
        c.push_back(uint8_t(block.size()));
        c.push_back(uint8_t(block.size() >> 8));
        c.insert(c.end(), block.begin(), block.end());
        return c;
    };
    // A copy reaching before the start of the output.
    EXPECT_EQ(fileError(withBlock({0x40, 0x40, 0x00, 'a', 0x00, 0x2F})), kFastSizes);
    // 16 bytes out, then an item cut off: the count fits, the block does not.
    Bytes cut{0x40, 0x00, 0x01};
    cut.insert(cut.end(), 15, 'x');
    cut.push_back(0x00);
    EXPECT_EQ(streamError(withBlock(cut)), kFastSizes);
    // A block longer than any coder writes is refused before it is read.
    Bytes huge = head;
    huge.insert(huge.end(), {0xFF, 0xFF});
    huge.insert(huge.end(), 0xFFFF, 0x80);
    EXPECT_EQ(streamError(huge), kFastSizes);
}

TEST(Lzrw1Refusals, LzhContainerLongerThanItsPayload) {
    Bytes c = pack(textBytes(5000, 3), TCompressMode::Good);
    setSize(c, 0x7FFFFFFF);
    std::string output;
    EXPECT_EQ(streamError(c, &output), kLzhSizes);
    // It stopped soon after the payload ran out instead of writing 2 GiB.
    EXPECT_LT(output.size(), 100000u);
    EXPECT_EQ(fileError(c), kLzhSizes);

    setSize(c, 5001);
    EXPECT_EQ(streamError(c), kLzhSizes);
    setSize(c, 4999);
    EXPECT_EQ(streamError(c), kLzhSizes);
    setSize(c, 0xFFFFFFFFu);
    EXPECT_EQ(fileError(c), kLzhSizes);

    const Bytes truncated(c.begin(), c.begin() + 8 + (c.size() - 8) / 2);
    EXPECT_EQ(fileError(truncated), kLzhSizes);
    EXPECT_EQ(fileError(Bytes(c.begin(), c.begin() + 8)), kLzhSizes);
}

TEST(Lzrw1Refusals, MissingOrClashingFiles) {
    TempDir dir;
    Tlzrw1 c;
    c.InputFile = dir.path("absent.txt");
    c.OutputFile = dir.path("out.tld");
    try {
        c.Compress();
        ADD_FAILURE() << "compressed a missing file";
    } catch (const ELzrw1Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Lzrw1 compression : Failed to obtain the size of : " + c.InputFile);
    }
    try {
        c.Decompress();
        ADD_FAILURE() << "decompressed a missing file";
    } catch (const ELzrw1Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Lzrw1 (de)compression : Failed to open input file : " + c.InputFile);
    }
    try {
        c.Advise();
        ADD_FAILURE() << "advised on a missing file";
    } catch (const ELzrw1Exception& e) {
        EXPECT_EQ(std::string(e.what()), "Lzrw1 advise : can not get the size of : " + c.InputFile);
    }
    EXPECT_FALSE(fileExists(c.OutputFile));

    const Bytes text = textBytes(3000, 4);
    writeFile(dir.path("in.txt"), text);
    c.InputFile = dir.path("in.txt");
    c.OutputFile = dir.path("no-such-dir/out.tld");
    EXPECT_THROW(
        {
            try {
                c.Compress();
            } catch (const ELzrw1Exception& e) {
                EXPECT_EQ(std::string(e.what()),
                          "Lzrw1 (de)compression : Failed to open output file : " + c.OutputFile);
                throw;
            }
        },
        ELzrw1Exception);

    // Compressing a file onto itself would empty it before it is read.
    c.OutputFile = dir.path("./in.txt");
    EXPECT_THROW(c.Compress(), ELzrw1Exception);
    EXPECT_EQ(readFile(dir.path("in.txt")), text);
}

TEST(Lzrw1Refusals, StreamsThatCannotBeUsed) {
    Tlzrw1 c;
    c.UseStream = true;
    auto message = [&](auto op) -> std::string {
        try {
            op();
        } catch (const ELzrw1Exception& e) {
            return e.what();
        }
        return "";
    };
    EXPECT_EQ(message([&] { c.Compress(); }),
              "Lzrw1 compression : Failed to obtain the size of the input stream !");
    EXPECT_EQ(message([&] { c.Decompress(); }),
              "Lzrw1 (de)compression : Failed to initialize input stream !");
    EXPECT_EQ(message([&] { c.Advise(); }), "Lzrw1 advise : can not get size of inputstream !");
    std::stringstream source("data");
    c.InputStream = &source;
    EXPECT_EQ(message([&] { c.Compress(); }),
              "Lzrw1 (de)compression : Failed to initialize output stream !");
}

TEST(Lzrw1Refusals, FailingOutputStreamIsReported) {
    const Bytes in = textBytes(100000, 5);
    for (TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
        std::stringstream source(str(in));
        FailingSink failing(20000);
        std::ostream sink(&failing);
        Tlzrw1 c;
        c.UseStream = true;
        c.InputStream = &source;
        c.OutputStream = &sink;
        c.CompressMode = mode;
        try {
            c.Compress();
            ADD_FAILURE() << "a failed write was reported as success";
        } catch (const ELzrw1Exception& e) {
            EXPECT_EQ(std::string(e.what()), "Lzrw1 : Error writing to output stream !");
        }
    }
}

TEST(Lzrw1Refusals, BreakingInputStreamIsReported) {
    const std::string in = str(textBytes(100000, 6));
    const std::pair<TCompressMode, std::string> cases[] = {
        {TCompressMode::Fast, "Lzrw1 : Error reading from input stream ! (LZRW1/KH)"},
        {TCompressMode::Good, "Lzrw1 : Error reading from input stream ! (LZH)"}};
    for (const auto& [mode, expected] : cases) {
        BreakingSource buffer(in);
        std::istream source(&buffer);
        std::stringstream sink;
        Tlzrw1 c;
        c.UseStream = true;
        c.InputStream = &source;
        c.OutputStream = &sink;
        c.CompressMode = mode;
        try {
            c.Compress();
            ADD_FAILURE() << "a failed read was reported as success";
        } catch (const ELzrw1Exception& e) {
            EXPECT_EQ(std::string(e.what()), expected);
        }
    }
}

TEST(Lzrw1Refusals, InputsTheHeaderCannotDescribe) {
    // The size field is signed 32-bit: a larger input cannot be framed.
    LyingSource huge("abc", std::streamoff(3000000000LL));
    std::istream hugeStream(&huge);
    EXPECT_EQ(compressError(hugeStream),
              "Lzrw1 compression : Failed to obtain the size of the input stream !");
    // An input that delivers less than its size would leave a header that
    // no decoder could ever match.
    LyingSource shortOne(std::string(500, 'a'), 1000);
    std::istream shortStream(&shortOne);
    EXPECT_EQ(compressError(shortStream), "Lzrw1 : Error reading from input stream !");
}
