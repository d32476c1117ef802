// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The compression component: compresses one file or stream into another and
// back with either codec, framing the result in a small container
//
//   "WRZL" (LZRW1/KH) or "!HZL" (LZH), 4 bytes
//   uncompressed size, signed 32-bit little-endian
//   payload: LZRW1/KH blocks (16-bit little-endian length + coded block) or
//            one LZH bit stream
//
// so that Decompress picks the codec itself and checks the size it produced.
// Every failure is raised as ELzrw1Exception (texts starting "Lzrw1"), in file
// and stream mode alike; in file mode a half-written output file is deleted.
// When Visible, captions report progress and results through OnCaption (an
// empty input is reported at 0 %); OnYield runs after every block so that a
// window can keep handling its events.

#include "tlzh.h"
#include "tlzr.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <memory>
#include <stdexcept>
#include <string>

namespace lzrw1 {
struct Run;
}

enum class TCompressMode { Good = 0, Fast = 1, Auto = 2 };

class ELzrw1Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Tlzrw1 {
public:
    Tlzrw1();
    ~Tlzrw1();
    Tlzrw1(const Tlzrw1&) = delete;
    Tlzrw1& operator=(const Tlzrw1&) = delete;

    bool UseStream = false;
    std::string InputFile, OutputFile;
    TCompressMode CompressMode = TCompressMode::Good;
    int Threshold = 40;
    std::istream* InputStream = nullptr;  // not owned
    std::ostream* OutputStream = nullptr; // not owned
    bool Visible = false;                 // when true, progress and results are captioned
    std::function<void(const std::string& caption)> OnCaption;
    std::function<void()> OnYield;

    std::string Caption() const { return m_caption; }

    // Compresses from where the input stream stands (or the whole input file)
    // with the codec CompressMode names (Auto asks Advise first). Returns the
    // bytes written, header included.
    int64_t Compress();
    // Decodes one container; the codec comes from its header. Returns the
    // bytes written.
    int64_t Decompress();
    // Samples the input and recommends Fast or Good; the input is left as it
    // was. An input under 3 x 32,768 bytes gets Good, and CompressMode becomes
    // Good as well.
    TCompressMode Advise();

private:
    void setCaption(const std::string& text);
    void progress(const char* codec, const lzrw1::Run& run);
    int64_t finishRun(lzrw1::Run& run, const char* streamText, const char* fileText);
    void compressLzrw(lzrw1::Run& run);
    void compressLzh(lzrw1::Run& run);
    void decompressLzrw(lzrw1::Run& run, int64_t size);
    void decompressLzh(lzrw1::Run& run, int64_t size);

    std::string m_caption;
    std::unique_ptr<TLZR> m_lzr;
    std::unique_ptr<TLZH> m_lzh;
};
