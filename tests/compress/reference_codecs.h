// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Plain, byte-at-a-time versions of both codecs' hot loops, written straight
// from their rules with no shortcuts. The differential tests hold the fast
// implementations in compress/ to exactly these bytes.

#include "testdata.h"

namespace reference {

// The LZRW1/KH coding of one block of at most 32,768 bytes.
Bytes lzrwCompress(const Bytes& in);
// Decodes a sound LZRW1/KH block.
Bytes lzrwDecompress(const Bytes& block);
// The LZH stream of `in`, with the match search done by a plain binary tree
// that compares one byte at a time and an adaptive code that keeps its counts
// in order by a linear search. Only the bit output and the fixed position
// code are the codec's own.
Bytes lzhPack(const Bytes& in);

} // namespace reference
