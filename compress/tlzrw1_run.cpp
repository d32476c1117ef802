// SPDX-License-Identifier: GPL-3.0-or-later
#include "tlzrw1_run.h"

#include <filesystem>
#include <istream>
#include <new>
#include <ostream>

namespace lzrw1 {

Run::Run(const Tlzrw1& owner, const char* bufferMessage) : owner(owner) {
    try {
        inBuf.resize(kBufferSize);
        outBuf.resize(kBufferSize);
    } catch (const std::bad_alloc&) {
        throw ELzrw1Exception(bufferMessage);
    }
}

void Run::openInput() {
    if (owner.UseStream) {
        in = owner.InputStream;
        if (!in || !in->seekg(0, std::ios::cur))
            fail("Lzrw1 (de)compression : Failed to initialize input stream !");
        return;
    }
    inFile.open(owner.InputFile, std::ios::binary);
    if (!inFile.is_open())
        fail("Lzrw1 (de)compression : Failed to open input file : " + owner.InputFile);
    in = &inFile;
}

void Run::openBoth() {
    openInput();
    if (owner.UseStream) {
        out = owner.OutputStream;
        if (!out || !out->seekp(0, std::ios::cur))
            fail("Lzrw1 (de)compression : Failed to initialize output stream !");
        return;
    }
    // Creating the output would empty the input when both name the same file.
    std::error_code ec;
    if (std::filesystem::equivalent(owner.InputFile, owner.OutputFile, ec))
        fail("Lzrw1 (de)compression : Failed to open output file : " + owner.OutputFile);
    outFile.open(owner.OutputFile, std::ios::binary | std::ios::trunc);
    if (!outFile.is_open())
        fail("Lzrw1 (de)compression : Failed to open output file : " + owner.OutputFile);
    outputCreated = true;
    out = &outFile;
}

void Run::closeFiles() {
    if (inFile.is_open())
        inFile.close();
    if (outFile.is_open())
        outFile.close();
}

void Run::finishOutput() {
    if (!out->flush())
        fail(writeError());
    if (outFile.is_open()) {
        outFile.close();
        if (outFile.fail())
            fail(writeError());
    }
}

void Run::discardOutput() {
    closeFiles();
    if (outputCreated) {
        // Only a plain file is ours to delete: an output named like /dev/null
        // must survive a failed run.
        std::error_code ec;
        if (std::filesystem::is_regular_file(owner.OutputFile, ec))
            std::filesystem::remove(owner.OutputFile, ec);
        outputCreated = false;
    }
}

int64_t Run::readUpTo(uint8_t* buf, std::size_t n) {
    in->read(reinterpret_cast<char*>(buf), std::streamsize(n));
    const int64_t got = in->gcount();
    if (in->bad())
        return -1;
    if (!in->good())
        in->clear(); // a short read at the end of the input is no error
    return got;
}

void Run::readExact(uint8_t* buf, std::size_t n) {
    if (readUpTo(buf, n) != int64_t(n))
        fail(readError());
    bytesRead += int64_t(n);
}

void Run::writeExact(const uint8_t* buf, std::size_t n) {
    out->write(reinterpret_cast<const char*>(buf), std::streamsize(n));
    if (!out->good())
        fail(writeError());
    bytesWritten += int64_t(n);
}

std::optional<int64_t> Run::remainingInputSize() {
    if (!owner.UseStream) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(owner.InputFile, ec);
        if (ec)
            return std::nullopt;
        return int64_t(size);
    }
    std::istream* s = owner.InputStream;
    if (!s)
        return std::nullopt;
    const auto here = s->tellg();
    if (here < 0 || !s->seekg(0, std::ios::end))
        return std::nullopt;
    const auto end = s->tellg();
    s->seekg(here);
    if (end < 0 || !*s)
        return std::nullopt;
    return int64_t(end - here);
}

std::string Run::readError() const {
    return owner.UseStream ? std::string("Lzrw1 : Error reading from input stream !")
                           : "Lzrw1 : Error reading from input file : " + owner.InputFile;
}

std::string Run::readErrorOf(const char* codec) const {
    return readError() + " (" + codec + ")";
}

std::string Run::writeError() const {
    return owner.UseStream ? std::string("Lzrw1 : Error writing to output stream !")
                           : "Lzrw1 : Error writing to output file : " + owner.OutputFile;
}

void Run::fail(const std::string& message) const {
    throw ELzrw1Exception(message);
}

int64_t percent(int64_t part, int64_t whole) {
    return whole > 0 ? part * 100 / whole : 0;
}

void putInt32(uint8_t* p, int32_t value) {
    const auto v = uint32_t(value);
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

int32_t getInt32(const uint8_t* p) {
    return int32_t(uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) |
                   (uint32_t(p[3]) << 24));
}

} // namespace lzrw1
