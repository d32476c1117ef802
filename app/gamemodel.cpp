// SPDX-License-Identifier: GPL-3.0-or-later
// The game model's people: who this player is, the seats, arrivals and
// departures, and the spies.

#include "gamemodel.h"

#include "protocol.h"
#include "readers.h"
#include "tdictn.h"

#include <QTimer>

#include <algorithm>

namespace {

constexpr int kTurnClockMs = 1000;

// The computer opponent's name, seat 2's hint; the hints of seats 3 to 6 hold
// blanks, which no lobby name can.
const char* const kHints[GameModel::kSeats] = {"",          "Grob",      "Seat Three",
                                               "Seat Four", "Seat Five", "Seat Six"};

} // namespace

const QString& GameModel::waiting() {
    static const QString text = QStringLiteral("<Waiting>");
    return text;
}

GameModel::GameModel(GameOutside& outside, QObject* parent) : QObject(parent), m_out(outside) {
    for (int i = 0; i < kSeats; ++i) {
        Seat& s = m_seats[i];
        s.name = waiting();
        s.hint = QString::fromLatin1(kHints[i]);
        s.scoreText = QStringLiteral("0");
        s.panel = {waiting(), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                   QStringLiteral("0")};
    }
    m_turntime = new QTimer(this);
    m_turntime->setObjectName(QStringLiteral("turntime"));
    m_turntime->setInterval(kTurnClockMs);
    connect(m_turntime, &QTimer::timeout, this, &GameModel::turntimeTimer);
}

GameModel::~GameModel() = default;

void GameModel::login(int number) {
    m_mynumber = number;
    m_loggedin = true;
}

void GameModel::setOwnNumber(int number) {
    m_mynumber = number;
}

void GameModel::setDictionary(std::shared_ptr<const TDictn> dictionary) {
    m_dictionary = std::move(dictionary);
}

void GameModel::setHosting(bool hosting) {
    m_hosting = hosting;
}

void GameModel::setStartShown(bool shown) {
    m_startShown = shown;
    emit changed();
}

QString GameModel::seatName(int n) const {
    return isSeat(n) ? m_seats[n - 1].name : QString();
}

std::optional<QString> GameModel::seatNameByNumberText(const QString& number) const {
    for (int n = 1; n <= kSeats; ++n) {
        if (number == QString::number(n))
            return seatName(n);
    }
    return std::nullopt;
}

QStringList GameModel::playersInGame() const {
    QStringList names;
    for (int n = 1; n <= kSeats; ++n) {
        if (n != m_mynumber && seatName(n) != waiting())
            names << seatName(n);
    }
    return names;
}

void GameModel::newplayerinfo(const QByteArray& payload) {
    const wire::PlayerNotice who = wire::readPlayerNotice(payload);
    const QString name = wire::decodeShown(who.name);
    if (who.number == m_mynumber) {
        m_out.systemLine(QStringLiteral("You are Connected."));
        m_out.ownArrival();
    } else {
        m_out.systemLine(name + QStringLiteral(" is Connected."));
    }
    if (who.number <= kSeats)
        seatArrives(who.number, name);
    else
        spyArrives(who.number, name);
    m_out.playsounds(QStringLiteral("entered"));
}

void GameModel::seatArrives(int number, const QString& name) {
    if (!isSeat(number))
        return;
    m_seats[number - 1].name = name;
    emit changed();
}

// A slot holds one player: a second login on it (the server takes the number
// a client gives) names the slot's spy again instead of adding another.
void GameModel::spyArrives(int number, const QString& name) {
    const auto same = std::find_if(m_spies.begin(), m_spies.end(),
                                   [number](const Spy& spy) { return spy.number == number; });
    if (same != m_spies.end()) {
        if (same->name == name)
            return;
        same->name = name;
    } else {
        m_spies.append({number, name});
    }
    emit spiesChanged();
    if (number == m_mynumber)
        m_out.systemLine(QStringLiteral("You are spying."));
    else
        m_out.systemLine(name + QStringLiteral(" is spying."));
}

void GameModel::playerdisconnected(const QByteArray& payload) {
    const wire::PlayerNotice who = wire::readPlayerNotice(payload);
    const QString name = wire::decodeShown(who.name);
    if (who.number <= kSeats) {
        if (!isSeat(who.number))
            return;
        Seat& s = m_seats[who.number - 1];
        // The seat's own name is the one that leaves, whatever the message says;
        // an empty seat or the computer opponent going is no news.
        if (s.name != waiting() && s.name != s.hint)
            m_out.systemLine(s.name + QStringLiteral(" disconnected."));
        s.name = who.numberText == "2" ? QStringLiteral("Grob") : waiting();
        emit changed();
        return;
    }
    const qsizetype at = m_spies.indexOf(Spy{who.number, name});
    if (at < 0)
        return;
    m_out.systemLine(name + QStringLiteral(" has left."));
    m_spies.removeAt(at);
    emit spiesChanged();
}
