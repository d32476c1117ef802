// SPDX-License-Identifier: GPL-3.0-or-later
#include "tsockstream.h"

#include "tsock.h"

#include <climits>
#include <cstring>

qint64 TSockStream::read(char* buffer, qint64 count) {
    if (count <= 0) {
        return 0;
    }
    const int wanted = count > INT_MAX ? INT_MAX : static_cast<int>(count);
    const QByteArray got = m_sock->Receive(wanted);
    std::memcpy(buffer, got.constData(), static_cast<size_t>(got.size()));
    return got.size();
}

qint64 TSockStream::write(const char* buffer, qint64 count) {
    if (count <= 0) {
        return 0;
    }
    m_sock->Send(QByteArray(buffer, count));
    return count;
}

qint64 TSockStream::seek(qint64, int) {
    return 0;
}
