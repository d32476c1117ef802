#pragma once
// A stand-in for the main window in settings tests: the Options menu items the
// settings act on, with the names, tags and first states the main window gives
// them, and a board for the chat pane, chat entry and phrase buttons.

#include "boardpanel.h"
#include "boardrecorder.h"
#include "clientstate.h"
#include "gamerecorder.h"
#include "settingscontroller.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

struct SettingsWindow {
    ClientState state;
    GameRecorder game;
    GameModel model{game};
    BoardRecorder host;
    QMainWindow window;
    BoardPanel* board = new BoardPanel(model, host, &window);
    // The game start window's values as the settings see them.
    std::optional<int> rounds = 5, creationTime = 60, lengthChoice = 6;
    QStringList checkedImages;
    std::optional<QColor> nextColour; // what the colour dialog answers
    QRect workArea{0, 0, 1024, 768};
    std::unique_ptr<SettingsController> settings;

    explicit SettingsWindow(const QString& file) {
        QMenu* options = window.menuBar()->addMenu("Options");
        add(options, "PlaySounds1", "Play Sounds", true, true);
        add(options, "PlayChatterSounds1", "Play Chatter Sounds", true, false);
        radio(options, "TurnSound1", "Turn Sound", 0, {{"Classic1", 0}, {"New1", 1}}, "Classic1");
        radio(options, "BotSpeed1", "Time Between Rounds", 12,
              {{"Long1", 17}, {"Normal1", 12}, {"Quick1", 10}}, "Normal1");
        radio(options, "BotSpeed2", "Bot Speed", 1200,
              {{"Slow1", 2000}, {"Normal2", 1200}, {"Fast1", 750}}, "Normal2");
        add(options, "TextColor1", "Text Color", false, false);
        add(options, "ActionColor1", "Action Color", false, false);
        radio(options, "TextSize1", "Text Size", 0,
              {{"N8", 8}, {"N10", 10}, {"N12", 12}, {"N14", 14}}, "N8");
        add(options, "ResetScreenLocation1", "Reset Screen Location", false, false);

        SettingsController::Target t;
        t.window = &window;
        t.state = &state;
        t.board = board;
        t.rounds = [this] { return rounds; };
        t.setRounds = [this](int v) { rounds = v; };
        t.creationTime = [this] { return creationTime; };
        t.setCreationTime = [this](int v) { creationTime = v; };
        t.lengthChoice = [this] { return lengthChoice; };
        t.checkimage = [this](const QString& name) { checkedImages << name; };
        t.chooseColour = [this](const QColor&) { return nextColour; };
        t.workArea = [this] { return workArea; };
        settings = std::make_unique<SettingsController>(std::move(t), file);
    }

    QAction* action(const char* name) { return window.findChild<QAction*>(name); }
    QMenu* menu(const char* name) { return window.findChild<QMenu*>(name); }
    QStringList checkedOf(std::initializer_list<const char*> names) {
        QStringList checked;
        for (const char* n : names)
            if (action(n)->isChecked())
                checked << n;
        return checked;
    }
    QRect bounds() const { return QRect(window.x(), window.y(), window.width(), window.height()); }

private:
    QAction* add(QMenu* m, const char* name, const char* caption, bool checkable, bool checked) {
        QAction* a = m->addAction(caption);
        a->setObjectName(name);
        a->setCheckable(checkable);
        a->setChecked(checked);
        return a;
    }
    void radio(QMenu* parent, const char* name, const char* caption, int tag,
               std::initializer_list<std::pair<const char*, int>> items, const char* checked) {
        QMenu* sub = parent->addMenu(caption);
        sub->setObjectName(name);
        sub->setProperty("Tag", tag);
        auto* group = new QActionGroup(sub);
        for (const auto& [itemName, itemTag] : items) {
            QAction* a = add(sub, itemName, "", true, qstrcmp(itemName, checked) == 0);
            a->setProperty("Tag", itemTag);
            group->addAction(a);
        }
    }
};
