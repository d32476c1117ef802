// SPDX-License-Identifier: GPL-3.0-or-later
// The help window's pages. Each begins with its title line and a blank line.
#include "thelp.h"

#include <QStringList>

QStringList helpPageText(int page) {
    switch (page) {
    case 1:
        return {
            QStringLiteral("Overview"),
            QString(),
            QStringLiteral("Vorlix is a game I dreamed up while trying to figure out how to make "),
            QStringLiteral("another game work. "),
            QString(),
            QStringLiteral(
                "The Object of the game is to guess as many words as possible within the "),
            QStringLiteral("constraints of the requirements given."),
        };
    case 2:
        return {
            QStringLiteral("Connecting"),
            QString(),
            QStringLiteral("To play alone, start the game without the lobby and press the Start "),
            QStringLiteral(
                "Game button. The solo game works offline, but your firewall must still "),
            QStringLiteral("let the game use its network components."),
            QString(),
            QStringLiteral("To play with others, use the Kestrun Lobby, which you can get from "),
            QStringLiteral("our web site. A player who hosts a game must allow incoming "),
            QStringLiteral(
                "connections on port 7772; our web site explains how to set up routers "),
            QStringLiteral("and firewalls. You can also use the lobby's assisted hosting option."),
            QString(),
            QStringLiteral("If the host (usually the first player in the list) disconnects, all "),
            QStringLiteral("play ends."),
        };
    case 3:
        return {
            QStringLiteral("Game Play"),
            QString(),
            QStringLiteral("Each round sets a word length (any length when the requirement is "),
            QStringLiteral(
                "\"No Limit\") and a beginning of one, two or three letters. Every word "),
            QStringLiteral("you create must meet both. Only the first player to create a word "),
            QStringLiteral("scores it."),
            QString(),
            QStringLiteral("When you can see no more words, press \"I Give Up\". The round ends "),
            QStringLiteral(
                "when its time runs out or when all players have given up. The highest "),
            QStringLiteral("score after the set number of rounds wins."),
            QString(),
            QStringLiteral("The host sets the options: the number of rounds, the time per round "),
            QStringLiteral("and the letter options. \"Random\" picks a different letter setting "),
            QStringLiteral("each round, \"No Limit\" included; \"No Limit\" allows words of any "),
            QStringLiteral("length every round."),
            QString(),
            QStringLiteral("Keys: each round puts the keyboard in the word box; type a word and "),
            QStringLiteral("press Enter. Ctrl+G is \"I Give Up\". Tab goes from the word box to "),
            QStringLiteral("the chat line and back while a round runs, and on to the phrase "),
            QStringLiteral("buttons between rounds (Space presses the one with the focus). F10 "),
            QStringLiteral("opens the File menu; Alt with a menu's underlined letter opens that "),
            QStringLiteral("menu (Alt+F File, Alt+O Options, Alt+V View, Alt+H Help). Between "),
            QStringLiteral(
                "rounds the word box takes no keys, so nothing still being typed is sent "),
            QStringLiteral("anywhere."),
        };
    case 4:
        return {
            QStringLiteral("Scoring"),
            QString(),
            QStringLiteral("You receive one point for each letter in every valid word you create."),
            QString(),
            QStringLiteral(
                "You do not receive points for invalid words, or words that have already "),
            QStringLiteral("been created."),
            QString(),
            QStringLiteral("The player with the highest score at the end of the set number of "
                           "rounds will "),
            QStringLiteral("win. Game play will continue until ties for the lead are broken."),
        };
    case 5:
        return {
            QStringLiteral("History"),
            QString(),
            QStringLiteral("Version 1.0.4.6"),
            QStringLiteral("  - Added chatter sounds."),
            QStringLiteral("  - Added a setting to reset the screen location."),
            QStringLiteral("  - Added a choice of turn sounds."),
            QString(),
            QStringLiteral("Version 1.0.4.0"),
            QStringLiteral("  - Fixed the computer player finding words too late."),
            QStringLiteral("  - The host can hide the word list from the players."),
            QString(),
            QStringLiteral("Version 1.0.2.0"),
            QStringLiteral("  - Improved game selection."),
            QStringLiteral("  - Each game begins with a starter word."),
            QStringLiteral("  - No two words in a round may have the same beginning."),
            QString(),
            QStringLiteral("Version 1.0.0.3"),
            QStringLiteral("  - Added the computer player."),
        };
    case 6:
        return {
            QStringLiteral("License Agreement "),
            QString(),
            QStringLiteral("Copyright (C) 2026 Kestrun"),
            QString(),
            QStringLiteral("Vorlix and the Kestrun Lobby are free software: you can redistribute "),
            QStringLiteral("them and/or modify them under the terms of the GNU General Public "),
            QStringLiteral(
                "License as published by the Free Software Foundation, either version 3 "),
            QStringLiteral("of the License, or (at your option) any later version."),
            QString(),
            QStringLiteral(
                "They are distributed in the hope that they will be useful, but WITHOUT "),
            QStringLiteral(
                "ANY WARRANTY; without even the implied warranty of MERCHANTABILITY or "),
            QStringLiteral("FITNESS FOR A PARTICULAR PURPOSE. See the GNU General Public License "),
            QStringLiteral("for more details."),
            QString(),
            QStringLiteral(
                "You should have received a copy of the GNU General Public License with "),
            QStringLiteral("the game (the file LICENSE; on Debian, "),
            QStringLiteral("/usr/share/common-licenses/GPL-3). If not, see "),
            QStringLiteral("https://www.gnu.org/licenses/."),
            QString(),
            QStringLiteral(
                "The word list comes from SCOWL, Copyright 2000-2011 Kevin Atkinson and "),
            QStringLiteral("the others its notice names, used under its permission notice, which "),
            QStringLiteral("travels with the game in its copyright file (on Debian, "),
            QStringLiteral("/usr/share/doc/vorlix/copyright)."),
        };
    default:
        return {};
    }
}

QString helpParagraphs(const QStringList& lines) {
    QString text;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (i + 1 == lines.size())
            break;
        const QString& next = lines[i + 1];
        const bool goesOn = lines[i].endsWith(QLatin1Char(' ')) && !lines[i].trimmed().isEmpty() &&
                            !next.trimmed().isEmpty() && !next.startsWith(QLatin1String("  -"));
        if (!goesOn)
            text += QLatin1Char('\n');
    }
    return text;
}
