// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Bit-level input and output of the LZH stream: bits travel most significant
// first, and the last byte of a stream is padded with zero bits.

#include <cstdint>
#include <functional>

namespace lzh {

using ByteReader = std::function<bool(uint8_t& byte)>;
using ByteWriter = std::function<void(uint8_t byte)>;

class BitWriter {
public:
    explicit BitWriter(const ByteWriter& writer) : m_writer(writer) {}

    // Writes the low `count` bits of `bits` (count at most 32), highest first.
    void put(unsigned count, uint32_t bits) {
        while (count > 0) {
            const unsigned take = count > 16 ? 16 : count;
            count -= take;
            const uint32_t chunk = (bits >> count) & ((1u << take) - 1);
            m_acc = (m_acc << take) | chunk;
            m_fill += take;
            while (m_fill >= 8) {
                m_fill -= 8;
                emit(uint8_t(m_acc >> m_fill));
            }
        }
    }

    // Pads the pending bits, if any, to a whole byte and writes it.
    void flush() {
        if (m_fill > 0) {
            emit(uint8_t(m_acc << (8 - m_fill)));
            m_fill = 0;
        }
    }

    int64_t written() const { return m_written; }

private:
    void emit(uint8_t byte) {
        m_writer(byte);
        ++m_written;
    }

    const ByteWriter& m_writer;
    uint32_t m_acc = 0;
    unsigned m_fill = 0;
    int64_t m_written = 0;
};

// Keeps at least 9 bits buffered in a 16-bit accumulator, taking a new byte
// whenever fewer are left; a byte the reader no longer has counts as zero.
// Callers that watch the reader can rely on this refill pattern: a decoder
// never asks for more than two bytes beyond the last one its stream needs.
class BitReader {
public:
    explicit BitReader(const ByteReader& reader) : m_reader(reader) {}

    unsigned bit() {
        refill();
        const unsigned b = (m_acc >> 15) & 1;
        m_acc = (m_acc << 1) & 0xFFFF;
        --m_fill;
        return b;
    }

    unsigned byte() {
        refill();
        const unsigned b = m_acc >> 8;
        m_acc = (m_acc << 8) & 0xFFFF;
        m_fill -= 8;
        return b;
    }

private:
    void refill() {
        while (m_fill <= 8) {
            uint8_t next = 0;
            if (!m_reader(next))
                next = 0;
            m_acc |= uint32_t(next) << (8 - m_fill);
            m_fill += 8;
        }
    }

    const ByteReader& m_reader;
    uint32_t m_acc = 0;
    int m_fill = 0;
};

} // namespace lzh
