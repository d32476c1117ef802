// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A file's bytes read and written whole, for tests that check a file the
// program writes byte for byte, or give it one.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

// The file's bytes; empty when it can't be read (or doesn't exist).
inline QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces the file with `bytes`; a file that can't be written fails the test.
inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
