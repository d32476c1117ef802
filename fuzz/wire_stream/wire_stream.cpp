// SPDX-License-Identifier: GPL-3.0-or-later
// What a peer's bytes reach before any game logic: the receive buffer cut
// into messages, each message split into command and payload, and the payload
// read by every reader either side has (a hostile peer can send any command
// with any payload). A reader answers or raises wire::EConvertError, nothing
// else; what it answers must be the payload's own fields.
//
// The input is the byte stream as it arrives; it is also fed in three pieces,
// as a socket may deliver it, and must cut into the same messages. Only the
// first 8 messages are read, which keeps a long input's cost down.

#include "fuzzing.h"
#include "protocol.h"
#include "readers.h"

#include <QByteArray>
#include <QList>

namespace {

using wire::EConvertError;

constexpr qsizetype kReadMessages = 8;

// The payload's fields as FieldReader reads them, and what stays after them.
struct Fields {
    QList<QByteArray> fields;
    QByteArray rest;
};

FUZZ_ORACLE Fields fieldsOf(const QByteArray& payload) {
    Fields f;
    qsizetype start = 0;
    for (qsizetype plus = payload.indexOf('+'); plus >= 0; plus = payload.indexOf('+', start)) {
        f.fields.append(payload.mid(start, plus - start));
        start = plus + 1;
    }
    f.rest = payload.mid(start);
    return f;
}

// The k-th field, empty past the last, as a missing field reads.
QByteArray field(const Fields& f, qsizetype k) {
    return k < f.fields.size() ? f.fields[k] : QByteArray();
}

// Everything after the first k fields, "+" included.
QByteArray restAfter(const Fields& f, qsizetype k) {
    QByteArray rest;
    for (qsizetype i = k; i < f.fields.size(); ++i)
        rest += f.fields[i] + '+';
    return rest + f.rest;
}

void fieldReader(const QByteArray& payload, const Fields& expected) {
    wire::FieldReader reader(payload);
    for (const QByteArray& f : expected.fields)
        FUZZ_CHECK(reader.next() == f);
    FUZZ_CHECK(reader.rest() == expected.rest);
    // Past the last "+", a field reads empty and takes nothing.
    FUZZ_CHECK(reader.next().isEmpty() && reader.rest() == expected.rest);
}

// Runs a reader; answers whether it read the payload. Any exception but
// EConvertError escapes and is reported as a crash.
template <typename Read> bool reads(Read&& read) {
    try {
        read();
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

bool isInt(const QByteArray& text) {
    int value = 0;
    return wire::tryToInt(text, value);
}

void serverReaders(const QByteArray& p, const Fields& f) {
    reads([&] {
        const wire::LoginInfo m = wire::readLogininfo(p);
        FUZZ_CHECK(m.number == wire::toInt(field(f, 0)));
        FUZZ_CHECK(m.version == field(f, 1) && m.name == restAfter(f, 2));
    });
    reads([&] {
        const wire::KickRequest m = wire::readKickhim(p);
        FUZZ_CHECK(m.number == wire::toInt(field(f, 0)) && m.target == wire::toInt(field(f, 1)));
    });
    reads([&] {
        const wire::RelayRequest m = wire::readRelay(p);
        FUZZ_CHECK(m.number == wire::toInt(field(f, 0)) && m.rest == restAfter(f, 1));
    });
    const bool start = reads([&] {
        const wire::StartRequest m = wire::readStartgameRequest(p);
        FUZZ_CHECK(m.starter == field(f, 0) && m.showWords == field(f, 4));
        FUZZ_CHECK(m.lengthChoice == wire::toInt(field(f, 3)));
        FUZZ_CHECK(m.rounds.has_value() == isInt(field(f, 1)));
        FUZZ_CHECK(m.seconds.has_value() == isInt(field(f, 2)));
    });
    FUZZ_CHECK(start == isInt(field(f, 3)));
    reads([&] {
        const wire::WordRequest m = wire::readSendword(p);
        FUZZ_CHECK(m.number == wire::toInt(field(f, 0)) && m.word == field(f, 1));
    });
    const bool giveup = reads([&] { FUZZ_CHECK(wire::readGiveup(p) == wire::toInt(field(f, 0))); });
    FUZZ_CHECK(giveup == isInt(field(f, 0)));
}

void clientReaders(const QByteArray& p, const Fields& f) {
    reads([&] { FUZZ_CHECK(wire::readSendlogininfo(p) == wire::toInt(p)); });
    reads([&] {
        const wire::PlayerNotice m = wire::readPlayerNotice(p);
        const qsizetype plus = p.indexOf('+');
        FUZZ_CHECK(m.numberText == (plus < 0 ? p : p.left(plus)));
        FUZZ_CHECK(m.name == (plus < 0 ? QByteArray() : p.mid(plus + 1)));
        FUZZ_CHECK(m.number == wire::toInt(m.numberText));
    });
    const wire::ChatLine chat = wire::readChatLine(p);
    if (chat.colour) {
        FUZZ_CHECK(chat.line + '|' + *chat.colour == p && !chat.colour->contains('|'));
    } else {
        FUZZ_CHECK(chat.line == p && !p.contains('|'));
    }
    reads([&] {
        const wire::GameAnnounce m = wire::readStartgameAnnounce(p);
        FUZZ_CHECK(m.starter == field(f, 0) && m.lengthSetting == field(f, 3));
        FUZZ_CHECK(m.rounds == wire::toInt(field(f, 1)) && m.seconds == wire::toInt(field(f, 2)));
    });
    reads([&] {
        const wire::RoundStart m = wire::readStartround(p);
        FUZZ_CHECK(m.round == wire::toInt(field(f, 0)) && m.turn == wire::toInt(field(f, 4)));
        FUZZ_CHECK(m.roundLength == field(f, 2) && m.prefix == field(f, 3));
        FUZZ_CHECK(m.starterWord == field(f, 5));
    });
    // Read as the seat the message names, and as another one.
    int me = 0;
    const bool mine = wire::tryToInt(field(f, 0), me);
    reads([&] {
        const std::optional<wire::GameState> m = wire::readLoadstats(p, me);
        FUZZ_CHECK(m.has_value() == mine);
        if (m) {
            FUZZ_CHECK(m->prefix == field(f, 6) && m->timeLeft == wire::toInt(field(f, 7)));
            for (int i = 0; i < 5; ++i)
                FUZZ_CHECK(m->scores[i].score == field(f, 9 + 2 * i));
        }
    });
    reads([&] { FUZZ_CHECK(!wire::readLoadstats(p, me ^ 1) || !mine); });
    reads([&] {
        const std::optional<int> code = wire::readNotvalid(p, me);
        FUZZ_CHECK(code.has_value() == mine);
        FUZZ_CHECK(!code || *code == wire::toInt(field(f, 1)));
    });
    reads([&] {
        const wire::FoundWord m = wire::readGotword(p);
        FUZZ_CHECK(m.number == wire::toInt(field(f, 0)));
        FUZZ_CHECK(m.word == field(f, 1) && m.points == field(f, 2));
    });
    reads([&] {
        // Records of five fields until the payload ends: one record more for
        // every five "+" (the payload's end closes the last field).
        const QList<wire::SeatReport> records = wire::readEndround(p);
        FUZZ_CHECK(records.size() == (f.fields.size() + 1 + 4) / 5);
        // The payload's fields with its end closing the last one.
        Fields closed = f;
        closed.fields.append(f.rest);
        for (qsizetype i = 0; i < records.size(); ++i) {
            const wire::SeatReport& r = records[i];
            FUZZ_CHECK(r.seat == wire::toInt(field(closed, 5 * i)));
            FUZZ_CHECK(r.totalText == field(closed, 5 * i + 1));
            FUZZ_CHECK(r.total == wire::toInt(r.totalText));
            FUZZ_CHECK(r.gameWords == field(closed, 5 * i + 2));
            FUZZ_CHECK(r.roundWords == field(closed, 5 * i + 3));
            FUZZ_CHECK(r.roundPoints == field(closed, 5 * i + 4));
        }
    });
    reads([&] { FUZZ_CHECK(wire::readWinner(p) == wire::toInt(field(f, 0))); });
    const wire::SoundNotice sound = wire::readSoundNotice(p);
    FUZZ_CHECK(sound.number == field(f, 0) && sound.sound == field(f, 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const QByteArray stream(reinterpret_cast<const char*>(data), qsizetype(size));

    QByteArray buffer = stream;
    QList<QByteArray> messages;
    const int cut = wire::cutMessages(buffer, messages);
    FUZZ_CHECK(cut == messages.size());
    FUZZ_CHECK(!buffer.contains(wire::kTerminator));
    QByteArray joined;
    for (const QByteArray& m : messages) {
        FUZZ_CHECK(!m.contains(wire::kTerminator));
        joined += m + wire::kTerminator;
    }
    FUZZ_CHECK(joined + buffer == stream);

    // The same bytes in three pieces.
    QByteArray pieces;
    QList<QByteArray> again;
    const qsizetype a = stream.size() / 3;
    const qsizetype b = stream.size() - stream.size() / 5;
    for (const QByteArray& piece : {stream.left(a), stream.mid(a, b - a), stream.mid(b)}) {
        pieces += piece;
        wire::cutMessages(pieces, again);
    }
    FUZZ_CHECK(again == messages && pieces == buffer);

    // Readers throw on most payloads, and a throw costs a microsecond or two:
    // the first kReadMessages messages are read, each by every reader.
    for (const QByteArray& message : messages.mid(0, kReadMessages)) {
        const wire::Split split = wire::splitCommand(message);
        const qsizetype plus = message.indexOf('+');
        if (plus < 0) {
            FUZZ_CHECK(split.command.isEmpty() && split.payload.isEmpty());
            continue;
        }
        FUZZ_CHECK(split.command == message.left(plus) && split.payload == message.mid(plus + 1));
        const Fields fields = fieldsOf(split.payload);
        fieldReader(split.payload, fields);
        serverReaders(split.payload, fields);
        clientReaders(split.payload, fields);
    }
    return 0;
}
