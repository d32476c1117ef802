// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The wire protocol shared by the client (app/) and the server (server/).
//
// A message is a command name beginning "CMD_", its "+"-separated fields and the
// terminator byte 0xFF. Text is single-byte Windows-1252; nothing is escaped.
// Everything here is a pure function on bytes: sockets decide only when bytes
// arrive, never what they mean.
//
// (The full list of messages, field by field, is documented in messages.h.)

#include "inttext.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace wire {

constexpr char kTerminator = '\xFF';

// Cuts every complete message off the front of `buffer` (the connection's
// receive buffer) and appends it, without its terminator and possibly empty, to
// `queue`. Bytes after the last terminator stay in `buffer`. Answers the number
// of messages cut.
int cutMessages(QByteArray& buffer, QList<QByteArray>& queue);

// A message split once at its first "+": the command before it, the payload
// after it. A message without "+" has an empty command (and must be dropped).
struct Split {
    QByteArray command;
    QByteArray payload;
};
Split splitCommand(const QByteArray& message);

// Takes fields from the front of a payload one at a time. The next field is the
// text before the next "+"; that field and its "+" are removed. When no "+" is
// left the next field is empty and the payload stays unchanged.
class FieldReader {
public:
    explicit FieldReader(QByteArray payload) : m_payload(std::move(payload)) {}
    QByteArray next();
    // next() converted with toInt(); throws EConvertError.
    int nextInt();
    // Everything still in the payload, "+" included.
    QByteArray rest() const { return m_payload.mid(m_at); }
    QByteArrayView restView() const { return QByteArrayView(m_payload).sliced(m_at); }

private:
    // Fields are taken by moving past them, not by cutting them off the front:
    // a payload of many fields is read in one pass.
    QByteArray m_payload;
    qsizetype m_at = 0;
};

// Windows-1252 text conversion. Characters that the code page cannot hold
// become "?". encode() never produces the terminator byte: a 0xFF ("ÿ") in
// text given to it is left out, so typed text can never cut a message apart.
QByteArray encode(const QString& text);
QString decode(const QByteArray& bytes);
// The code page as files hold it, where the Qt at hand has no converter for
// it (the Windows build has no ICU): as encode(), but "ÿ" is kept.
QByteArray encodeCodePage(const QString& text);
// decode() for text a peer chose that is shown to the player (names, chat,
// actions, phrases): every control character, line breaks included, becomes a
// blank, so a peer's text stays on its own line and cannot pose as one of the
// program's own notices.
QString decodeShown(const QByteArray& bytes);

} // namespace wire
