// SPDX-License-Identifier: GPL-3.0-or-later
#include "tlzh.h"

#include "lzh_bits.h"
#include "lzh_huffman.h"
#include "lzh_tree.h"

#include <algorithm>
#include <memory>
#include <new>

using namespace lzh;

namespace {

template <class T> std::unique_ptr<T> obtainTables() {
    try {
        return std::make_unique<T>();
    } catch (const std::bad_alloc&) {
        throw ElzhException(kLzhNoMemoryMessage);
    }
}

struct PackTables {
    MatchTree tree;
    AdaptiveHuffman huffman;
};

struct UnpackTables {
    uint8_t text[kRingSize];
    AdaptiveHuffman huffman;
};

} // namespace

TLZH::ByteReader TLZH::readerOf(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    return [bytes, size, pos = std::size_t(0)](uint8_t& byte) mutable {
        if (pos == size)
            return false;
        byte = bytes[pos++];
        return true;
    };
}

int64_t TLZH::LZHPack(const ByteReader& reader, const ByteWriter& writer) {
    const auto tables = obtainTables<PackTables>();
    MatchTree& tree = tables->tree;
    AdaptiveHuffman& huffman = tables->huffman;
    BitWriter out(writer);

    int s = 0;
    int r = kRingSize - kLookahead;
    int len = 0;
    uint8_t c = 0;
    while (len < kLookahead && reader(c))
        tree.text[r + len++] = c;
    int64_t textSize = len;

    for (int i = 1; i <= kLookahead; ++i)
        tree.insert(r - i);
    tree.insert(r);
    do {
        if (tree.matchLength > len)
            tree.matchLength = len;
        int matched;
        if (tree.matchLength <= kThreshold) {
            matched = 1;
            huffman.encode(tree.text[r], out);
        } else {
            matched = tree.matchLength;
            huffman.encode(unsigned(255 - kThreshold + matched), out);
            AdaptiveHuffman::encodePosition(unsigned(tree.matchPosition), out);
        }
        int i = 0;
        for (; i < matched && reader(c); ++i) {
            tree.remove(s);
            tree.text[s] = c;
            if (s < kLookahead - 1)
                tree.text[s + kRingSize] = c;
            s = (s + 1) & (kRingSize - 1);
            r = (r + 1) & (kRingSize - 1);
            tree.insert(r);
        }
        textSize += i;
        for (; i < matched; ++i) {
            tree.remove(s);
            s = (s + 1) & (kRingSize - 1);
            r = (r + 1) & (kRingSize - 1);
            if (--len > 0)
                tree.insert(r);
        }
    } while (len > 0);
    out.flush();
    return textSize;
}

void TLZH::LZHUnpack(int64_t count, const ByteReader& reader, const ByteWriter& writer) {
    if (count <= 0)
        return;
    const auto tables = obtainTables<UnpackTables>();
    uint8_t* const text = tables->text;
    AdaptiveHuffman& huffman = tables->huffman;
    BitReader in(reader);

    std::fill(text, text + kRingSize, uint8_t(' '));
    int r = kRingSize - kLookahead;
    for (int64_t produced = 0; produced < count;) {
        const unsigned symbol = huffman.decode(in);
        if (symbol < 256) {
            writer(uint8_t(symbol));
            text[r] = uint8_t(symbol);
            r = (r + 1) & (kRingSize - 1);
            ++produced;
        } else {
            const int from = (r - int(AdaptiveHuffman::decodePosition(in)) - 1) & (kRingSize - 1);
            const int length = int(symbol) - 255 + kThreshold;
            for (int k = 0; k < length; ++k) {
                const uint8_t b = text[(from + k) & (kRingSize - 1)];
                writer(b);
                text[r] = b;
                r = (r + 1) & (kRingSize - 1);
            }
            produced += length;
        }
    }
}
