// SPDX-License-Identifier: GPL-3.0-or-later
#include "lzh_bits.h"
#include "lzh_huffman.h"
#include "reference_codecs.h"

#include <vector>

namespace reference {

namespace {

constexpr int N = 4096;
constexpr int F = 60;
constexpr int Nil = N;

// The match search: one binary tree per first byte over the 60-byte strings
// of the window, walked one byte comparison at a time.
struct Tree {
    std::vector<uint8_t> text = std::vector<uint8_t>(N + F - 1, ' ');
    std::vector<int> left = std::vector<int>(N + 1, Nil);
    std::vector<int> right = std::vector<int>(N + 257, Nil);
    std::vector<int> parent = std::vector<int>(N + 1, Nil);
    int matchLength = 0;
    int matchPosition = 0;

    void insert(int r) {
        int cmp = 1;
        int p = N + 1 + text[r];
        right[r] = left[r] = Nil;
        matchLength = 0;
        for (;;) {
            std::vector<int>& side = cmp >= 0 ? right : left;
            if (side[p] == Nil) {
                side[p] = r;
                parent[r] = p;
                return;
            }
            p = side[p];
            int i = 1;
            for (; i < F; ++i) {
                cmp = int(text[r + i]) - int(text[p + i]);
                if (cmp != 0)
                    break;
            }
            if (i > 2) {
                const int position = ((r - p) & (N - 1)) - 1;
                if (i > matchLength) {
                    matchPosition = position;
                    matchLength = i;
                    if (matchLength >= F)
                        break;
                } else if (i == matchLength && position < matchPosition) {
                    matchPosition = position;
                }
            }
        }
        parent[r] = parent[p];
        left[r] = left[p];
        right[r] = right[p];
        parent[left[p]] = r;
        parent[right[p]] = r;
        if (right[parent[p]] == p)
            right[parent[p]] = r;
        else
            left[parent[p]] = r;
        parent[p] = Nil;
    }

    void remove(int p) {
        if (parent[p] == Nil)
            return;
        int q;
        if (right[p] == Nil) {
            q = left[p];
        } else if (left[p] == Nil) {
            q = right[p];
        } else {
            q = left[p];
            if (right[q] != Nil) {
                while (right[q] != Nil)
                    q = right[q];
                right[parent[q]] = left[q];
                parent[left[q]] = parent[q];
                left[q] = left[p];
                parent[left[p]] = q;
            }
            right[q] = right[p];
            parent[right[p]] = q;
        }
        parent[q] = parent[p];
        if (right[parent[p]] == p)
            right[parent[p]] = q;
        else
            left[parent[p]] = q;
        parent[p] = Nil;
    }
};

// The adaptive code, its counts kept in order by a plain linear search.
struct Huffman {
    static constexpr int T = 627;
    static constexpr int R = T - 1;
    std::vector<unsigned> freq = std::vector<unsigned>(T + 1, 0);
    std::vector<int> prnt = std::vector<int>(T + 314, 0);
    std::vector<int> son = std::vector<int>(T, 0);

    Huffman() {
        for (int i = 0; i < 314; ++i) {
            freq[i] = 1;
            son[i] = i + T;
            prnt[i + T] = i;
        }
        for (int i = 0, j = 314; j <= R; i += 2, ++j) {
            freq[j] = freq[i] + freq[i + 1];
            son[j] = i;
            prnt[i] = prnt[i + 1] = j;
        }
        freq[T] = 0xFFFF;
        prnt[R] = 0;
    }

    void rebuild() {
        int j = 0;
        for (int i = 0; i < T; ++i)
            if (son[i] >= T) {
                freq[j] = (freq[i] + 1) / 2;
                son[j] = son[i];
                ++j;
            }
        for (int i = 0, n = 314; n < T; i += 2, ++n) {
            const unsigned f = freq[i] + freq[i + 1];
            int k = n - 1;
            while (f < freq[k])
                --k;
            ++k;
            for (int m = n; m > k; --m) {
                freq[m] = freq[m - 1];
                son[m] = son[m - 1];
            }
            freq[k] = f;
            son[k] = i;
        }
        for (int i = 0; i < T; ++i) {
            const int k = son[i];
            prnt[k] = i;
            if (k < T)
                prnt[k + 1] = i;
        }
    }

    void update(int c) {
        if (freq[R] == 0x8000)
            rebuild();
        c = prnt[c + T];
        do {
            const unsigned k = ++freq[c];
            int l = c + 1;
            if (k > freq[l]) {
                while (k > freq[++l]) {
                }
                --l;
                freq[c] = freq[l];
                freq[l] = k;
                const int i = son[c];
                prnt[i] = l;
                if (i < T)
                    prnt[i + 1] = l;
                const int j = son[l];
                son[l] = i;
                prnt[j] = c;
                if (j < T)
                    prnt[j + 1] = c;
                son[c] = j;
                c = l;
            }
            c = prnt[c];
        } while (c != 0);
    }

    void encode(int c, lzh::BitWriter& out) {
        std::vector<unsigned> bits;
        for (int k = prnt[c + T]; k != R; k = prnt[k])
            bits.push_back(unsigned(k & 1));
        for (auto it = bits.rbegin(); it != bits.rend(); ++it)
            out.put(1, *it);
        update(c);
    }
};

} // namespace

Bytes lzhPack(const Bytes& in) {
    Bytes packed;
    lzh::ByteWriter sink = [&](uint8_t b) { packed.push_back(b); };
    lzh::BitWriter out(sink);
    Huffman huffman;
    Tree tree;
    std::size_t pos = 0;
    int s = 0;
    int r = N - F;
    int len = 0;
    for (; len < F && pos < in.size(); ++len)
        tree.text[r + len] = in[pos++];
    for (int i = 1; i <= F; ++i)
        tree.insert(r - i);
    tree.insert(r);
    do {
        if (tree.matchLength > len)
            tree.matchLength = len;
        int matched = 1;
        if (tree.matchLength <= 2) {
            huffman.encode(tree.text[r], out);
        } else {
            matched = tree.matchLength;
            huffman.encode(253 + matched, out);
            lzh::AdaptiveHuffman::encodePosition(unsigned(tree.matchPosition), out);
        }
        int i = 0;
        for (; i < matched && pos < in.size(); ++i) {
            const uint8_t c = in[pos++];
            tree.remove(s);
            tree.text[s] = c;
            if (s < F - 1)
                tree.text[s + N] = c;
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            tree.insert(r);
        }
        for (; i < matched; ++i) {
            tree.remove(s);
            s = (s + 1) & (N - 1);
            r = (r + 1) & (N - 1);
            if (--len > 0)
                tree.insert(r);
        }
    } while (len > 0);
    out.flush();
    return packed;
}

} // namespace reference
