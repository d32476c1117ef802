// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Helpers shared by the tally window's tests: a transparent packer that the
// tests can make fail, and a window wired the way the main window wires it.

#include "ttallylist.h"

#include <QCoreApplication>
#include <QFile>
#include <QListWidget>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>
#include <stdexcept>

// Packs a file by putting "PACK" in front of its bytes. It can be told to fail
// half-way through a write, as the real component does when the disk fills.
struct FakePacker {
    bool failCompress = false;
    QStringList compressInputs;
    QStringList decompressOutputs;

    TallyFileCodec codec() {
        TallyFileCodec c;
        c.compress = [this](const QString& in, const QString& out) {
            compressInputs << in;
            QFile src(in);
            if (!src.open(QIODevice::ReadOnly))
                throw std::runtime_error("cannot read input");
            const QByteArray bytes = src.readAll();
            QFile dst(out);
            if (!dst.open(QIODevice::WriteOnly))
                throw std::runtime_error("cannot create output");
            if (failCompress) {
                dst.write("PACK");
                dst.close();
                throw std::runtime_error("Lzrw1 : Error writing to output file : disk full");
            }
            dst.write("PACK" + bytes);
        };
        c.decompress = [this](const QString& in, const QString& out) {
            decompressOutputs << out;
            QFile src(in);
            if (!src.open(QIODevice::ReadOnly))
                throw std::runtime_error("cannot read input");
            const QByteArray bytes = src.readAll();
            if (!bytes.startsWith("PACK"))
                throw std::runtime_error(
                    (in + " : Lzrw1 decompression : this file has no valid header !")
                        .toStdString());
            QFile dst(out);
            if (!dst.open(QIODevice::WriteOnly))
                throw std::runtime_error("cannot create output");
            dst.write(bytes.mid(4));
        };
        return c;
    }
};

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// The players at the table, as the client hands them to the tally window.
struct Table {
    QStringList players;

    void fill(Ttallylist& tally) const { tally.setPlayersInGame(players); }
};

// The window's two lists, by their names, for the user's clicks.
inline QListWidget* checklistOf(Ttallylist& tally) {
    return tally.findChild<QListWidget*>(QStringLiteral("checklist"));
}
inline QListWidget* followedListOf(Ttallylist& tally) {
    return tally.findChild<QListWidget*>(QStringLiteral("listbox_tally"));
}
