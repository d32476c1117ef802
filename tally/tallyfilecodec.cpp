// SPDX-License-Identifier: GPL-3.0-or-later
#include "tallyfilecodec.h"

#include "tlzrw1.h"

#include <QFile>

namespace {

void configure(Tlzrw1& doit, const QString& in, const QString& out) {
    doit.UseStream = false;
    doit.InputFile = QFile::encodeName(in).toStdString();
    doit.OutputFile = QFile::encodeName(out).toStdString();
    doit.CompressMode = TCompressMode::Fast;
}

} // namespace

TallyFileCodec TallyFileCodec::lzrw1() {
    TallyFileCodec codec;
    codec.compress = [](const QString& in, const QString& out) {
        Tlzrw1 doit;
        configure(doit, in, out);
        doit.Compress();
    };
    codec.decompress = [](const QString& in, const QString& out) {
        Tlzrw1 doit;
        configure(doit, in, out);
        doit.Decompress();
    };
    return codec;
}
