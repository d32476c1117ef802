// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the tally file is packed: the grid text is compressed file to file. The
// tally window holds one of these so that tests can put a failing or recording
// packer in place of the real one.

#include <QString>

#include <functional>

struct TallyFileCodec {
    // Each reads the file `in` and writes the file `out`, throwing a
    // std::exception with a readable message when it cannot.
    std::function<void(const QString& in, const QString& out)> compress;
    std::function<void(const QString& in, const QString& out)> decompress;

    // The real packer: the compression component in file mode, LZRW1/KH.
    static TallyFileCodec lzrw1();
};
