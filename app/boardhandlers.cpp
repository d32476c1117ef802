// The board's handlers of the server's game messages.

#include "boardhost.h"
#include "boardpanel_p.h"
#include "clientstate.h"

#include <QLabel>
#include <QTextCursor>
#include <QTextEdit>
#include <QTimer>

using Fields = wire::FieldReader;

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
    Fields f(payload);
    const QString starter = wire::decode(f.next());
    const int rounds = f.nextInt();
    const int seconds = f.nextInt();
    const QByteArray length = f.next();

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
    Fields f(payload);
    const int round = f.nextInt();
    const int seconds = f.nextInt();
    const QByteArray length = f.next();
    const QByteArray prefix = f.next();
    const int turn = f.nextInt();
    const QByteArray starter = f.next();

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
    Fields f(payload);
    if (f.nextInt() != d->st.mynumber)
        return;
    const int rounds = f.nextInt();
    const int seconds = f.nextInt();
    const QByteArray setting = f.next();
    const int round = f.nextInt();
    const QByteArray length = f.next();
    const QByteArray prefix = f.next();
    const int secondsLeft = f.nextInt();

    d->label_round->setProperty("Tag", rounds);
    d->label_round->setText(QStringLiteral("%1 of %2").arg(round).arg(rounds));
    d->label_timeperturn->setProperty("Tag", seconds);
    d->label_timeperturn->setText(QStringLiteral("%1 secs").arg(seconds));
    d->setBarScale(seconds);
    d->label_numletters->setText(board::lengthText(setting, true));
    d->label_word1->setText(board::lengthText(length, false));
    d->label_word2->setText(wire::decode(prefix));
    for (int i = 0; i < 6; ++i) {
        int seat = 0;
        const bool isNumber = wire::tryToInt(f.next(), seat);
        // The message ends with the last score and no "+" after it: read what
        // is left, or seat 6 would show an empty score.
        QByteArray total = f.next();
        if (total.isEmpty() && i == 5)
            total = f.rest();
        if (isNumber && Impl::isSeat(seat))
            d->score[seat - 1]->setText(wire::decode(total));
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
    Fields f(payload);
    const int player = f.nextInt();
    const QString word = wire::decode(f.next());
    const QString points = wire::decode(f.next());
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
    Fields f(payload);
    if (f.nextInt() != d->st.mynumber)
        return;
    const int reason = f.nextInt();
    d->image_error->setPicture(reason);
    d->image_error->show();
    playsounds(QStringLiteral("error1"));
}

void BoardPanel::endround(const QByteArray& payload) {
    Fields f(payload + "+@");
    while (f.rest() != "@") {
        const int seat = f.nextInt();
        const QByteArray totalText = f.next();
        int total = 0;
        total = wire::toInt(totalText);
        const QByteArray wordsGame = f.next();
        const QByteArray wordsRound = f.next();
        const QByteArray pointsRound = f.next();
        if (!Impl::isSeat(seat))
            continue;
        const int i = seat - 1;
        d->score[i]->setText(wire::decode(totalText));
        d->score[i]->setProperty("Tag", total);
        d->panelField[i][0]->setText(d->playername[i]->text());
        d->panelField[i][1]->setText(wire::decode(wordsRound));
        d->panelField[i][2]->setText(wire::decode(pointsRound));
        d->panelField[i][3]->setText(wire::decode(wordsGame));
        d->panelField[i][4]->setText(wire::decode(totalText));
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
    Fields f(payload);
    const int who = f.nextInt();
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
