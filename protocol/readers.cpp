// SPDX-License-Identifier: GPL-3.0-or-later
#include "readers.h"

#include "protocol.h"

namespace wire {

LoginInfo readLogininfo(const QByteArray& payload) {
    FieldReader f(payload);
    LoginInfo m;
    m.number = f.nextInt();
    m.version = f.next();
    m.name = f.rest();
    return m;
}

KickRequest readKickhim(const QByteArray& payload) {
    FieldReader f(payload);
    KickRequest m;
    m.number = f.nextInt();
    m.target = f.nextInt();
    return m;
}

RelayRequest readRelay(const QByteArray& payload) {
    FieldReader f(payload);
    RelayRequest m;
    m.number = f.nextInt();
    m.rest = f.rest();
    return m;
}

StartRequest readStartgameRequest(const QByteArray& payload) {
    FieldReader f(payload);
    StartRequest m;
    m.starter = f.next();
    const QByteArray rounds = f.next();
    const QByteArray seconds = f.next();
    const QByteArray length = f.next();
    m.showWords = f.next();
    m.lengthChoice = toInt(length);
    int value = 0;
    if (tryToInt(rounds, value))
        m.rounds = value;
    if (tryToInt(seconds, value))
        m.seconds = value;
    return m;
}

WordRequest readSendword(const QByteArray& payload) {
    FieldReader f(payload);
    WordRequest m;
    m.number = f.nextInt();
    m.word = f.next();
    return m;
}

int readGiveup(const QByteArray& payload) {
    FieldReader f(payload);
    return f.nextInt();
}

int readSendlogininfo(const QByteArray& payload) {
    return toInt(payload);
}

PlayerNotice readPlayerNotice(const QByteArray& payload) {
    const qsizetype plus = payload.indexOf('+');
    PlayerNotice m;
    m.numberText = plus < 0 ? payload : payload.left(plus);
    m.name = plus < 0 ? QByteArray() : payload.mid(plus + 1);
    m.number = toInt(m.numberText);
    return m;
}

ChatLine readChatLine(const QByteArray& payload) {
    const qsizetype bar = payload.lastIndexOf('|');
    if (bar < 0)
        return {payload, std::nullopt};
    return {payload.left(bar), payload.mid(bar + 1)};
}

GameAnnounce readStartgameAnnounce(const QByteArray& payload) {
    FieldReader f(payload);
    GameAnnounce m;
    m.starter = f.next();
    m.rounds = f.nextInt();
    m.seconds = f.nextInt();
    m.lengthSetting = f.next();
    return m;
}

RoundStart readStartround(const QByteArray& payload) {
    FieldReader f(payload);
    RoundStart m;
    m.round = f.nextInt();
    m.seconds = f.nextInt();
    m.roundLength = f.next();
    m.prefix = f.next();
    m.turn = f.nextInt();
    m.starterWord = f.next();
    return m;
}

std::optional<GameState> readLoadstats(const QByteArray& payload, int me) {
    FieldReader f(payload);
    if (f.nextInt() != me)
        return std::nullopt;
    GameState m;
    m.rounds = f.nextInt();
    m.seconds = f.nextInt();
    m.lengthSetting = f.next();
    m.round = f.nextInt();
    m.roundLength = f.next();
    m.prefix = f.next();
    m.timeLeft = f.nextInt();
    for (std::size_t i = 0; i < m.scores.size(); ++i) {
        int seat = 0;
        if (tryToInt(f.next(), seat))
            m.scores[i].seat = seat;
        m.scores[i].score = f.next();
        if (m.scores[i].score.isEmpty() && i + 1 == m.scores.size())
            m.scores[i].score = f.rest();
    }
    return m;
}

FoundWord readGotword(const QByteArray& payload) {
    FieldReader f(payload);
    FoundWord m;
    m.number = f.nextInt();
    m.word = f.next();
    m.points = f.next();
    return m;
}

std::optional<int> readNotvalid(const QByteArray& payload, int me) {
    FieldReader f(payload);
    if (f.nextInt() != me)
        return std::nullopt;
    return f.nextInt();
}

QList<SeatReport> readEndround(const QByteArray& payload) {
    // The records end where the payload does: a marker after the last field
    // tells the end apart from a record with empty fields.
    FieldReader f(payload + "+@");
    QList<SeatReport> records;
    while (f.restView() != "@") {
        SeatReport r;
        r.seat = f.nextInt();
        r.totalText = f.next();
        r.total = toInt(r.totalText);
        r.gameWords = f.next();
        r.roundWords = f.next();
        r.roundPoints = f.next();
        records.append(r);
    }
    return records;
}

int readWinner(const QByteArray& payload) {
    FieldReader f(payload);
    return f.nextInt();
}

SoundNotice readSoundNotice(const QByteArray& payload) {
    FieldReader f(payload);
    SoundNotice m;
    m.number = f.next();
    m.sound = f.next();
    return m;
}

} // namespace wire
