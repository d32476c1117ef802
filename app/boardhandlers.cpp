// The board's handlers of the server's game messages.

#include "boardhost.h"
#include "boardpanel_p.h"
#include "clientstate.h"
#include "readers.h"

#include <QLabel>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

void BoardPanel::clearall() {
    for (int i = 0; i < 6; ++i) {
        d->score[i]->setText(QStringLiteral("0"));
        d->last[i]->clear();
        d->winnerPicture[i]->hide();
        for (int field = 1; field <= 4; ++field)
            d->panelField[i][field]->setText(QStringLiteral("0"));
    }
    d->hideWordEntry();
    d->edit_word->clear();
    d->memo_wordlist->clear();
}

void BoardPanel::startthegame(const QByteArray& payload) {
    const wire::GameAnnounce m = wire::readStartgameAnnounce(payload);
    const QString starter = wire::decodeShown(m.starter);
    const int rounds = m.rounds;
    const int seconds = m.seconds;
    const QByteArray length = m.lengthSetting;

    d->panel_scores->hide();
    d->button_start->hide();
    d->setStatusTag(0);
    d->st.timeleft = 0;
    clearall();
    d->label_round->setProperty("Tag", rounds);
    d->label_round->setText(QStringLiteral("0 of %1").arg(rounds));
    d->label_timeperturn->setProperty("Tag", seconds);
    d->label_timeperturn->setText(QStringLiteral("%1 secs").arg(seconds));
    d->setBarScale(seconds);
    d->label_numletters->setText(board::lengthText(length, true));
    d->host.addlinetochat(starter + QStringLiteral(" has started a game."), d->st.systemcolour);
    if (d->playername[1]->text() == board::kWaiting)
        d->playername[1]->setText(QStringLiteral("Grob"));
}

void BoardPanel::startround(const QByteArray& payload) {
    const wire::RoundStart m = wire::readStartround(payload);
    const int round = m.round;
    const int seconds = m.seconds;
    const QByteArray length = m.roundLength;
    const QByteArray prefix = m.prefix;
    const int turn = m.turn;
    const QByteArray starter = m.starterWord;

    d->panel_scores->hide();
    d->st.whoseturn = turn;
    d->label_starter->setText(QStringLiteral("Starter Word: ") + wire::decode(starter).toUpper());
    d->label_round->setText(
        QStringLiteral("%1 of %2").arg(round).arg(d->label_round->property("Tag").toInt()));
    d->label_word1->setText(board::lengthText(length, false));
    d->label_word2->setText(wire::decode(prefix));
    if (d->st.whoseturn == d->st.mynumber)
        d->showOwnTurn();
    else
        d->showOthersTurn();
    d->setStatusTag(1);
    d->memo_wordlist->clear();
    d->st.timeleft = seconds;
    d->turntime->start();
}

void BoardPanel::loadstats(const QByteArray& payload) {
    const std::optional<wire::GameState> m = wire::readLoadstats(payload, d->st.mynumber);
    if (!m)
        return;
    const int rounds = m->rounds;
    const int seconds = m->seconds;
    const QByteArray setting = m->lengthSetting;
    const int round = m->round;
    const QByteArray length = m->roundLength;
    const QByteArray prefix = m->prefix;
    const int secondsLeft = m->timeLeft;

    d->label_round->setProperty("Tag", rounds);
    d->label_round->setText(QStringLiteral("%1 of %2").arg(round).arg(rounds));
    d->label_timeperturn->setProperty("Tag", seconds);
    d->label_timeperturn->setText(QStringLiteral("%1 secs").arg(seconds));
    d->setBarScale(seconds);
    d->label_numletters->setText(board::lengthText(setting, true));
    d->label_word1->setText(board::lengthText(length, false));
    d->label_word2->setText(wire::decode(prefix));
    for (const wire::GameState::Score& s : m->scores) {
        if (s.seat && Impl::isSeat(*s.seat))
            d->score[*s.seat - 1]->setText(wire::decode(s.score));
    }
    if (secondsLeft <= 9) {
        d->setStatus(QStringLiteral("Please wait for next round.."));
        return;
    }
    if (d->st.mynumber > 6) {
        d->showOthersTurn();
    } else {
        d->showOwnTurn();
        d->st.whoseturn = d->st.mynumber;
    }
    d->setStatusTag(1);
    d->st.timeleft = secondsLeft;
    d->turntime->start();
}

void BoardPanel::addtowordlist(const QString& text, int seat) {
    QTextCursor cursor(d->memo_wordlist->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setForeground(seatColour(seat));
    format.setFontWeight(QFont::Normal);
    // The document starts with one empty block; later lines each get their own.
    if (!d->memo_wordlist->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text, format);
    d->memo_wordlist->setTextCursor(cursor);
    d->memo_wordlist->ensureCursorVisible();
}

void BoardPanel::gotword(const QByteArray& payload) {
    const wire::FoundWord m = wire::readGotword(payload);
    const int player = m.number;
    const QString word = wire::decode(m.word);
    const QString points = wire::decode(m.points);
    addtowordlist(points + QStringLiteral(" : ") + word + QStringLiteral(" : ") +
                      d->seatName(player),
                  player);
    if (Impl::isSeat(player))
        d->last[player - 1]->setText(word);
    if (player == d->st.mynumber) {
        playsounds(QStringLiteral("goodwordme"));
        board::tallyWordFound(d->host.tally());
    } else {
        playsounds(QStringLiteral("goodwordthem"));
    }
}

void BoardPanel::notvalid(const QByteArray& payload) {
    const std::optional<int> reason = wire::readNotvalid(payload, d->st.mynumber);
    if (!reason)
        return;
    d->image_error->setPicture(*reason);
    d->image_error->show();
    playsounds(QStringLiteral("error1"));
}

void BoardPanel::endround(const QByteArray& payload) {
    for (const wire::SeatReport& r : wire::readEndround(payload)) {
        if (!Impl::isSeat(r.seat))
            continue;
        const int i = r.seat - 1;
        d->score[i]->setText(wire::decode(r.totalText));
        d->score[i]->setProperty("Tag", r.total);
        d->panelField[i][0]->setText(d->playername[i]->text());
        d->panelField[i][1]->setText(wire::decode(r.roundWords));
        d->panelField[i][2]->setText(wire::decode(r.roundPoints));
        d->panelField[i][3]->setText(wire::decode(r.gameWords));
        d->panelField[i][4]->setText(wire::decode(r.totalText));
    }
    d->setStatusTag(0);
    d->setStatus(QStringLiteral("Posting Scores.. Please Wait."));
    d->hideWordEntry();
    d->edit_word->clear();
    d->panel_scores->show();
    d->panel_scores->raise();

    int leader = 0;
    for (int i = 1; i < 6; ++i) {
        if (d->playername[i]->text() != board::kWaiting &&
            d->score[i]->property("Tag").toInt() > d->score[leader]->property("Tag").toInt())
            leader = i;
    }
    d->last[leader]->setText(QStringLiteral("LEADER!"));
}

void BoardPanel::winner(const QByteArray& payload) {
    const int who = wire::readWinner(payload);
    playsounds(QStringLiteral("gameover"));
    d->setStatus(QStringLiteral("Game Over!"));
    const QString name = d->seatName(who);
    d->host.addlinetochat(name + QStringLiteral(" has Won the Game!"), d->st.systemcolour);
    if (Impl::isSeat(who))
        d->winnerPicture[who - 1]->show();
    if (d->st.hosting)
        d->button_start->show();
    const int me = d->st.mynumber;
    if (Impl::isSeat(me)) {
        Ttallylist* tally = d->host.tally();
        int total = 0;
        if (wire::tryToInt(wire::encode(d->score[me - 1]->text()), total))
            board::tallyHighScore(tally, total, d->score[me - 1]->text());
        // Only a winner in a seat has a name: any other number would put a
        // nameless opponent into the tally file.
        if (Impl::isSeat(who))
            board::tallyGame(tally, who == me ? QStringLiteral("addtomine") : name);
    }
}

void BoardPanel::loadchecklist() {
    QStringList names;
    for (int seat = 1; seat <= 6; ++seat) {
        const QString name = d->seatName(seat);
        if (seat != d->st.mynumber && name != board::kWaiting)
            names << name;
    }
    board::fillChecklist(d->host.tally(), names);
}
