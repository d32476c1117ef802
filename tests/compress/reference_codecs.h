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
// that compares one byte at a time.
Bytes lzhPack(const Bytes& in);

} // namespace reference
