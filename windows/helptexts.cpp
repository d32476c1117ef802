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
            QStringLiteral("rounds the word box takes no keys, so nothing still being typed is sent "),
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
            QStringLiteral("You may install and use one copy of this software. The software is "),
            QStringLiteral("owned by its maker and protected by copyright; you may copy it only "),
            QStringLiteral("to install it or to keep a backup. You may not reverse engineer, "),
            QStringLiteral("decompile or disassemble it. This license ends if you break its "),
            QStringLiteral("terms, and you must then destroy every copy. You may not export the "),
            QStringLiteral("software against the laws that apply to you."),
            QString(),
            QStringLiteral("The software is provided \"as is\", without any warranty."),
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
