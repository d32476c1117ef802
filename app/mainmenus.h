// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Typed handles to the main window's menu items, filled as the menus are built.
// The window shows the preferences and enables items through these; the items'
// object names ("StartGame1", "BotSpeed1", ...) are for a screen reader and for
// anything that looks the window over from outside, never for the program.

#include "preferences.h"

#include <QAction>
#include <QList>

#include <utility>

class QMenu;

template <typename Value> using MenuChoices = QList<std::pair<Value, QAction*>>;

struct MainMenus {
    // File
    QAction* startGame = nullptr;
    // Options
    QAction* playSounds = nullptr;
    QAction* chatterSounds = nullptr;
    MenuChoices<TurnSound> turnSounds;
    MenuChoices<RoundPause> roundPauses; // "Time Between Rounds"
    MenuChoices<BotPace> botPaces;       // "Bot Speed"
    MenuChoices<int> textSizes;          // points
    QAction* scrollChatOff = nullptr;
    // View
    QAction* showMissedWords = nullptr;
    QAction* highContrast = nullptr;
    // A player's pop-up and its one item.
    QMenu* playerMenu = nullptr;
    QAction* removeFromGame = nullptr;
};

// Checks the item of `value` and clears the others; a value without an item
// (a hand-edited settings file) checks none.
template <typename Value> void checkChoice(const MenuChoices<Value>& choices, Value value) {
    for (const auto& [itemValue, item] : choices)
        item->setChecked(itemValue == value);
}
