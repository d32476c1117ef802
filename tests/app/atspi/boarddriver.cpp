// SPDX-License-Identifier: GPL-3.0-or-later
// boarddriver: the game board on a real display, playing one short game from
// the model's side, slowly enough for a screen reader's listener in another
// process to read every change as it comes: a round starts, a word is
// accepted and one rejected, the clock ticks and runs out, the scores show
// and the game has a winner.
//
//   boarddriver STEP-MS

#include "boardpanel.h"
#include "boardrecorder.h"
#include "gamemodel.h"
#include "gamerecorder.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdlib>
#include <functional>
#include <vector>

namespace {

void settle(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("boarddriver"));
    const int step = argc > 1 ? std::atoi(argv[1]) : 300;
    GameRecorder out;
    GameModel model(out);
    BoardRecorder host;
    BoardPanel board(model, host);
    board.setWindowTitle(QStringLiteral("Vorlix board"));
    board.show();
    settle(2 * step);

    model.login(1);
    model.newplayerinfo("1+Ann");
    model.newplayerinfo("3+Bob");
    const std::vector<std::function<void()>> game = {
        [&] { model.startthegame("Ann+1+30+5+"); }, [&] { model.startround("1+12+5+NU+1+NUDGE+"); },
        [&] { model.gotword("1+NURSE+5+"); },       [&] { model.notvalid("1+2+"); },
        [&] { model.gotword("3+NUTTY+5+"); },
    };
    for (const auto& move : game) {
        move();
        settle(step);
    }
    // The clock runs out a second at a time.
    while (model.turnRunning()) {
        model.turntimeTimer();
        settle(step);
    }
    model.endround("1+5+1+1+5+3+5+1+1+5");
    settle(step);
    model.winner("1+");
    settle(2 * step);
    return 0;
}
