// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TSockStream: a byte stream over one TSock, for code that reads and writes
// streams. Reading takes from the socket's incoming buffer, writing queues for
// sending; the stream has no position, so seeking always answers 0.

#include <QtGlobal>

class TSock;

class TSockStream {
public:
    explicit TSockStream(TSock* sock) : m_sock(sock) {}

    // Copies up to count buffered bytes into buffer; answers how many it copied.
    qint64 read(char* buffer, qint64 count);
    // Queues count bytes for sending; answers count.
    qint64 write(const char* buffer, qint64 count);
    qint64 seek(qint64 offset, int origin);

    TSock* sock() const { return m_sock; }

private:
    TSock* m_sock;
};
