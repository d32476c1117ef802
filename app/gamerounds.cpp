// SPDX-License-Identifier: GPL-3.0-or-later
// The game model's game: starting a game and its rounds, a late arrival's view,
// the turn clock, words found and rejected, the end of a round and the winner.
//
// Every text of these messages is the host's to choose and is shown on the
// board, so it is read with decodeShown, as names and chat are: a found word
// with a line break in it added a line of its own to the words guessed, one
// that could pose as another player's find.

#include "gamemodel.h"

#include "missedwords.h"
#include "protocol.h"
#include "readers.h"

#include <QTimer>

namespace {

// The widest the clock's bar is drawn.
constexpr int kMaxBarWidth = 298;

// "0" -> "No Limit", "8" -> "Random" (only where allowRandom), v -> "v Letters".
QString lengthText(const QByteArray& value, bool allowRandom) {
    if (value == "0")
        return QStringLiteral("No Limit");
    if (allowRandom && value == "8")
        return QStringLiteral("Random");
    return wire::decodeShown(value) + QStringLiteral(" Letters");
}

} // namespace

void GameModel::clearall() {
    for (Seat& s : m_seats) {
        s.scoreText = QStringLiteral("0");
        // The number goes with the text: a new game's leader is never decided
        // by the last game's totals.
        s.score = 0;
        s.lastWord.clear();
        s.winner = false;
        for (int field = 1; field <= 4; ++field)
            s.panel[field] = QStringLiteral("0");
    }
    closeWordEntry();
    emit wordEntryEmptied();
    clearWords();
    emit changed();
}

// The entry is closed, not hidden: hiding the widget that has the keyboard
// focus hands the focus on, to the chat entry beside it, and a player still
// typing when the round ends would chat their guesses to everybody.
void GameModel::closeWordEntry() {
    m_entryOpen = false;
    m_errorShown = false;
}

QString GameModel::wordEntryDescription() const {
    if (!m_entryOpen)
        return QStringLiteral("Closed until the next round");
    const QString length = m_roundLength == QLatin1String("No Limit") ? QStringLiteral("any length")
                                                                      : m_roundLength.toLower();
    return QStringLiteral("Words of %1 beginning with %2, %3 seconds")
        .arg(length, m_prefix)
        .arg(m_roundSeconds);
}

std::optional<QString> GameModel::shownStarterWord() const {
    if (!m_scoresShown)
        return std::nullopt;
    return m_starterWord;
}

QString GameModel::rejectionReason(int code) {
    switch (code) {
    case 0:
        return QStringLiteral("Incorrect Word Length");
    case 1:
        return QStringLiteral("Invalid Word");
    case 2:
        return QStringLiteral("Already Guessed");
    case 3:
        return QStringLiteral("Incorrect Primer");
    default:
        return {};
    }
}

void GameModel::clearWords() {
    m_words.clear();
    m_found.clear();
    m_missed.clear();
    emit wordsCleared();
}

void GameModel::setBarScale(int secondsPerTurn) {
    // A full turn spans about 300 pixels. A time of 0 would divide by zero and
    // 300 or more would give no bar at all: such values leave the scale alone.
    if (secondsPerTurn > 0 && secondsPerTurn < 300)
        m_barScale = 300 / secondsPerTurn;
}

void GameModel::startthegame(const QByteArray& payload) {
    const wire::GameAnnounce m = wire::readStartgameAnnounce(payload);
    m_scoresShown = false;
    m_startShown = false;
    m_turnRunning = false;
    m_timeleft = 0;
    clearall();
    m_round = 0;
    m_rounds = m.rounds;
    m_secondsPerTurn = m.seconds;
    setBarScale(m.seconds);
    m_lengthSetting = lengthText(m.lengthSetting, true);
    const QString line = wire::decodeShown(m.starter) + QStringLiteral(" has started a game.");
    m_out.systemLine(line);
    // The computer opponent takes an empty seat 2.
    if (m_seats[1].name == waiting())
        m_seats[1].name = QStringLiteral("Grob");
    emit changed();
    emit announced(line);
}

void GameModel::startround(const QByteArray& payload) {
    const wire::RoundStart m = wire::readStartround(payload);
    m_scoresShown = false;
    m_whoseturn = m.turn;
    m_starterWord = wire::decodeShown(m.starterWord).toUpper();
    m_round = m.round;
    m_roundLength = lengthText(m.roundLength, false);
    m_prefix = wire::decodeShown(m.prefix);
    m_roundLengthValue = 0;
    m_roundSeen = wire::tryToInt(QByteArrayView(m.roundLength), m_roundLengthValue);
    if (m_whoseturn == m_mynumber)
        showOwnTurn();
    else
        showOthersTurn();
    m_turnRunning = true;
    clearWords();
    m_timeleft = m.seconds;
    m_roundSeconds = m.seconds;
    m_turntime->start();
    emit changed();
    announceRound();
}

// "Round 2 of 5. Your Turn. Words of 5 letters beginning with STA, 60 seconds."
void GameModel::announceRound() {
    QString message = QStringLiteral("Round %1 of %2. %3").arg(m_round).arg(m_rounds).arg(m_status);
    if (m_entryOpen)
        message += QLatin1Char(' ') + wordEntryDescription() + QLatin1Char('.');
    emit announced(message);
}

void GameModel::loadstats(const QByteArray& payload) {
    const std::optional<wire::GameState> m = wire::readLoadstats(payload, m_mynumber);
    if (!m)
        return;
    m_rounds = m->rounds;
    m_round = m->round;
    m_secondsPerTurn = m->seconds;
    setBarScale(m->seconds);
    m_lengthSetting = lengthText(m->lengthSetting, true);
    m_roundLength = lengthText(m->roundLength, false);
    m_prefix = wire::decodeShown(m->prefix);
    // Joined mid-round: what was found before is unknown.
    m_roundSeen = false;
    for (const wire::GameState::Score& s : m->scores) {
        if (s.seat && isSeat(*s.seat))
            m_seats[*s.seat - 1].scoreText = wire::decodeShown(s.score);
    }
    // Too late to play this round: the next one is the first.
    if (m->timeLeft <= 9) {
        m_status = QStringLiteral("Please wait for next round..");
        emit changed();
        emit announced(m_status);
        return;
    }
    if (m_mynumber > kSeats) {
        showOthersTurn();
    } else {
        showOwnTurn();
        m_whoseturn = m_mynumber;
    }
    m_turnRunning = true;
    m_timeleft = m->timeLeft;
    m_roundSeconds = m->timeLeft;
    m_turntime->start();
    emit changed();
    announceRound();
}

void GameModel::showOwnTurn() {
    m_notPlayingShown = false;
    m_status = QStringLiteral("Your Turn.");
    m_out.playsounds(m_out.newTurnSound() ? QStringLiteral("turnnew") : QStringLiteral("turn"));
    m_entryShown = true;
    m_entryOpen = true;
    emit wordEntryEmptied();
    // The entry is drawn before it can take the focus.
    emit changed();
    m_out.focusWordEntry();
}

void GameModel::showOthersTurn() {
    // Every seated player plays each round; a spy is told seat 1's number,
    // which is nobody's turn but its own watching. A spy that arrives during a
    // round knows no turn holder at all.
    const QString name = seatName(m_whoseturn);
    m_status = name.isEmpty() || !isSeat(m_mynumber) ? QStringLiteral("Watching the round..")
                                                     : name + QStringLiteral("'s turn.");
    m_notPlayingShown = true;
    m_entryShown = false;
    m_entryOpen = false;
}

void GameModel::turntimeTimer() {
    // The seconds come from the server: a hostile value such as the lowest int
    // must not overflow here, nor a huge one in the bar's width.
    m_timeleft = m_timeleft > 0 ? m_timeleft - 1 : 0;
    if (m_timeleft >= 1) {
        m_barWidth = int(qMin<qint64>(kMaxBarWidth, qint64(m_barScale) * m_timeleft));
        m_clockRed = m_timeleft < 20;
        if (m_timeleft == 20 || m_timeleft == 15 || m_timeleft <= 10)
            m_out.playsounds(QStringLiteral("time"));
        m_clockText = QStringLiteral("Time: %1:%2")
                          .arg(m_timeleft / 60)
                          .arg(m_timeleft % 60, 2, 10, QLatin1Char('0'));
        emit changed();
        return;
    }
    const bool turnEnded = m_turnRunning;
    if (turnEnded) {
        m_out.playsounds(QStringLiteral("timeup"));
        m_status = QStringLiteral("Please Wait..");
        m_turnRunning = false;
    }
    m_clockText = QStringLiteral("Time: 0:00");
    m_barWidth = 0;
    m_whoseturn = 0;
    const bool wasOpen = m_entryOpen;
    closeWordEntry();
    // What was half typed is dropped, never sent.
    if (wasOpen)
        emit wordEntryEmptied();
    emit changed();
    if (turnEnded)
        emit announced(QStringLiteral("Time is up. ") + m_status);
}

void GameModel::gotword(const QByteArray& payload) {
    const wire::FoundWord m = wire::readGotword(payload);
    const QString word = wire::decodeShown(m.word);
    const WordLine line{wire::decodeShown(m.points) + QStringLiteral(" : ") + word +
                            QStringLiteral(" : ") + seatName(m.number),
                        m.number};
    m_words.append(line);
    m_found.append(word);
    emit wordAdded(line.text, line.seat);
    if (isSeat(m.number))
        m_seats[m.number - 1].lastWord = word;
    emit changed();
    emit announced(
        m.number == m_mynumber
            ? QStringLiteral("Accepted: %1, %2 points").arg(word, wire::decodeShown(m.points))
            : QStringLiteral("%1 found %2, %3 points")
                  .arg(seatName(m.number), word, wire::decodeShown(m.points)));
    if (m.number == m_mynumber) {
        m_out.playsounds(QStringLiteral("goodwordme"));
        m_out.tallyWordFound();
    } else {
        m_out.playsounds(QStringLiteral("goodwordthem"));
    }
}

void GameModel::notvalid(const QByteArray& payload) {
    const std::optional<int> reason = wire::readNotvalid(payload, m_mynumber);
    if (!reason)
        return;
    m_errorReason = *reason;
    m_errorShown = true;
    emit changed();
    const QString why = rejectionReason(*reason);
    emit announced(why.isEmpty() ? QStringLiteral("Word rejected")
                                 : QStringLiteral("Word rejected: ") + why);
    m_out.playsounds(QStringLiteral("error1"));
}

void GameModel::wordKeyPressed() {
    if (!m_errorShown)
        return;
    m_errorShown = false;
    emit changed();
}

void GameModel::gaveUp() {
    if (!m_turnRunning || !ownTurn())
        return;
    m_status = QStringLiteral("You gave up this round.");
    emit changed();
}

void GameModel::endround(const QByteArray& payload) {
    for (const wire::SeatReport& r : wire::readEndround(payload)) {
        if (!isSeat(r.seat))
            continue;
        Seat& s = m_seats[r.seat - 1];
        s.scoreText = wire::decodeShown(r.totalText);
        s.score = r.total;
        s.panel = {s.name, wire::decodeShown(r.roundWords), wire::decodeShown(r.roundPoints),
                   wire::decodeShown(r.gameWords), wire::decodeShown(r.totalText)};
    }
    m_turnRunning = false;
    m_status = QStringLiteral("Posting Scores.. Please Wait.");
    closeWordEntry();
    emit wordEntryEmptied();
    m_scoresShown = true;
    markLeader();
    // Said before the board shows it: the round is over before the answer is
    // anywhere to be read.
    announceScores();
    emit changed();
    listMissedWords();
}

void GameModel::listMissedWords() {
    if (!m_roundSeen || !m_dictionary || !m_showMissed)
        return;
    m_roundSeen = false; // once per round
    std::vector<std::string> found;
    for (const QString& word : std::as_const(m_found))
        found.push_back(word.toLatin1().toStdString());
    const std::vector<std::string> missed = missedWords(
        *m_dictionary, m_prefix.toLatin1().toStdString(), m_roundLengthValue, found, kMissedWords);
    for (const std::string& word : missed)
        m_missed.append(QString::fromStdString(word));
    if (!m_missed.isEmpty())
        emit missedWordsAdded(m_missed);
}

// "Round 2 over. The starter word was NUDE. Scores: Ann 12, Grob 8."
void GameModel::announceScores() {
    QStringList scores;
    for (const Seat& s : m_seats)
        if (s.name != waiting())
            scores << s.name + QLatin1Char(' ') + s.scoreText;
    QString message = QStringLiteral("Round %1 over.").arg(m_round);
    if (m_starterWord)
        message += QStringLiteral(" The starter word was %1.").arg(*m_starterWord);
    if (!scores.isEmpty())
        message +=
            QStringLiteral(" Scores: ") + scores.join(QStringLiteral(", ")) + QLatin1Char('.');
    emit announced(message);
}

void GameModel::markLeader() {
    // Seat 1 unless a later occupied seat has strictly more: a tie keeps the
    // lower seat.
    int leader = 0;
    for (int i = 1; i < kSeats; ++i) {
        if (m_seats[i].name != waiting() && m_seats[i].score > m_seats[leader].score)
            leader = i;
    }
    m_seats[leader].lastWord = QStringLiteral("LEADER!");
}

void GameModel::winner(const QByteArray& payload) {
    const int who = wire::readWinner(payload);
    m_out.playsounds(QStringLiteral("gameover"));
    m_status = QStringLiteral("Game Over!");
    const QString name = seatName(who);
    m_out.systemLine(name + QStringLiteral(" has Won the Game!"));
    if (isSeat(who))
        m_seats[who - 1].winner = true;
    if (m_hosting)
        m_startShown = true;
    emit changed();
    emit announced(QStringLiteral("Game Over! ") + name + QStringLiteral(" has Won the Game!"));
    if (isSeat(m_mynumber))
        recordInTally(who, name);
}

void GameModel::recordInTally(int winner, const QString& name) {
    const QString& text = m_seats[m_mynumber - 1].scoreText;
    int total = 0;
    if (wire::tryToInt(text, total))
        m_out.tallyHighScore(total, text);
    // Only a winner in a seat has a name: any other number would put a
    // nameless opponent into the tally file.
    if (isSeat(winner))
        m_out.tallyGame(winner == m_mynumber, winner == m_mynumber ? QString() : name);
}
