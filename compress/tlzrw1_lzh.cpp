// SPDX-License-Identifier: GPL-3.0-or-later
// The component's LZH side: the codec reads and writes one byte at a time, and
// these callbacks buffer those bytes in blocks of 32,768.

#include "tlzrw1.h"

#include "tlzrw1_run.h"

using lzrw1::Run;

namespace {

constexpr const char* kLzhSizes =
    "Lzrw1 (LZH decompression) : Original and compressed sizes do not match !";

// A decoder of a sound stream keeps at most 16 bits buffered, so it never asks
// for more than two bytes past the end of the payload; a third request means
// the header's size is larger than the payload holds.
constexpr int kMaxReadsPastEnd = 2;

class BufferedReader {
public:
    BufferedReader(lzrw1::Run& run, std::function<void()> refilled)
        : m_run(run), m_refilled(std::move(refilled)) {}

    bool next(uint8_t& byte) {
        if (m_pos == m_fill) {
            if (m_ended)
                return false;
            const int64_t got = m_run.readUpTo(m_run.inBuf.data(), TLZR::BlockSize);
            if (got < 0)
                m_run.fail(m_run.readErrorOf("LZH"));
            m_run.bytesRead += got;
            m_pos = 0;
            m_fill = std::size_t(got);
            m_ended = got == 0;
            if (got > 0)
                m_refilled();
            if (m_ended)
                return false;
        }
        byte = m_run.inBuf[m_pos++];
        return true;
    }

private:
    lzrw1::Run& m_run;
    std::function<void()> m_refilled;
    std::size_t m_pos = 0;
    std::size_t m_fill = 0;
    bool m_ended = false;
};

class BufferedWriter {
public:
    BufferedWriter(lzrw1::Run& run, std::function<void()> written)
        : m_run(run), m_written(std::move(written)) {}

    void put(uint8_t byte) {
        if (m_fill == TLZR::BlockSize)
            flush();
        m_run.outBuf[m_fill++] = byte;
    }

    void flush() {
        if (m_fill == 0)
            return;
        m_run.writeExact(m_run.outBuf.data(), m_fill);
        m_fill = 0;
        m_written();
    }

private:
    lzrw1::Run& m_run;
    std::function<void()> m_written;
    std::size_t m_fill = 0;
};

} // namespace

void Tlzrw1::compressLzh(lzrw1::Run& run) {
    const auto report = [this, &run] { progress("LZH", run); };
    BufferedReader source(run, report);
    BufferedWriter sink(run, report);
    m_lzh->LZHPack([&](uint8_t& byte) { return source.next(byte); },
                   [&](uint8_t byte) { sink.put(byte); });
    sink.flush();
}

void Tlzrw1::decompressLzh(lzrw1::Run& run, int64_t size) {
    if (size < 0)
        run.fail(kLzhSizes);
    const auto report = [this, &run] { progress("LZH", run); };
    BufferedReader source(run, report);
    BufferedWriter sink(run, report);
    int readsPastEnd = 0;
    m_lzh->LZHUnpack(
        size,
        [&](uint8_t& byte) {
            if (source.next(byte))
                return true;
            if (++readsPastEnd > kMaxReadsPastEnd)
                run.fail(kLzhSizes);
            return false;
        },
        [&](uint8_t byte) { sink.put(byte); });
    sink.flush();
    if (run.bytesWritten != size)
        run.fail(kLzhSizes);
}
