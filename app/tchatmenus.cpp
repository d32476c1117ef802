// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menu bar and pop-up menus. Every item carries its objectName
// (for a screen reader and for tests that look the window over) and, for a
// choice, its "Tag"; the program itself reaches the items through m_menus.

#include "boardpanel.h"
#include "chatcontroller.h"
#include "colortext.h"
#include "settingscontroller.h"
#include "tchat.h"
#include "tgamestart.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTextEdit>

#include <tuple>

namespace {

QAction* addItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction* addCheckable(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = addItem(menu, name, caption);
    action->setCheckable(true);
    return action;
}

// A radio item; its "Tag" names the value it chooses.
QAction* addChoice(QMenu* menu, const char* name, const QString& caption, int tag,
                   QActionGroup* group) {
    QAction* action = addCheckable(menu, name, caption);
    action->setProperty("Tag", tag);
    group->addAction(action);
    return action;
}

QMenu* addSubmenu(QMenu* parent, const char* name, const QString& caption) {
    QMenu* sub = parent->addMenu(caption);
    sub->setObjectName(QLatin1String(name));
    sub->menuAction()->setObjectName(QLatin1String(name) + QLatin1String("Item"));
    return sub;
}

QActionGroup* radioGroup(QObject* owner) {
    auto* group = new QActionGroup(owner);
    group->setExclusive(true);
    return group;
}

} // namespace

void Tchat::buildMenus() {
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("File1"));
    QAction* start = addItem(file, "StartGame1", QStringLiteral("&Start Game"));
    start->setEnabled(false);
    m_menus.startGame = start;
    connect(start, &QAction::triggered, this, [this] { m_board->button_startClick(); });
    file->addSeparator();
    connect(addItem(file, "Exit1", QStringLiteral("E&xit")), &QAction::triggered, this,
            &QWidget::close);

    buildOptionsMenu(bar->addMenu(QStringLiteral("&Options")));

    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("View1"));
    connect(addItem(view, "ViewTally1", QStringLiteral("View &Tally")), &QAction::triggered, this,
            &Tchat::ViewTally1Click);
    connect(addItem(view, "SpyList1", QStringLiteral("&Spy List")), &QAction::triggered, this,
            [this] { showWindow(WindowKind::SpyList); });
    connect(addItem(view, "PrhaseList1", QStringLiteral("&Phrase List")), &QAction::triggered, this,
            [this] { m_chat->PrhaseList1Click(); });
    view->addSeparator();
    QAction* missed = addCheckable(view, "ShowMissedWords1", QStringLiteral("Show &Missed Words"));
    m_menus.showMissedWords = missed;
    connect(missed, &QAction::triggered, m_settings, &SettingsController::setShowMissedWords);
    QAction* highContrast =
        addCheckable(view, "HighContrast1", QStringLiteral("&High Contrast Colours"));
    m_menus.highContrast = highContrast;
    connect(highContrast, &QAction::triggered, m_settings, &SettingsController::setHighContrast);

    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("Help1"));
    QAction* content = addItem(help, "Content1", QStringLiteral("&Content"));
    content->setShortcut(QKeySequence(Qt::Key_F1));
    connect(content, &QAction::triggered, this, [this] { showWindow(WindowKind::Help); });
    help->addSeparator();
    connect(addItem(help, "About1", QStringLiteral("&About")), &QAction::triggered, this,
            [this] { showWindow(WindowKind::About); });
}

// A screen reader names a menu by its title (without the mnemonic's "&"); the
// pop-ups have none and get a name of their own.
void Tchat::nameMenus() {
    menuBar()->setAccessibleName(QStringLiteral("Menu bar"));
    const std::pair<const char*, const char*> popups[] = {
        {"popup_kick", "Player menu"},
        {"popup_sounds", "Chatter sounds"},
        {"popup_chat", "Chat pane menu"},
        {"popup_mychat", "Chat entry menu"},
    };
    for (QMenu* m : findChildren<QMenu*>()) {
        QString name = m->menuAction()->iconText();
        for (const auto& [object, popupName] : popups)
            if (m->objectName() == QLatin1String(object))
                name = QLatin1String(popupName);
        m->setAccessibleName(name);
    }
}

// Keys that belong to no menu item: F10 opens the menu bar's first menu. (Ctrl+G
// is I GIVE UP's own shortcut, so a screen reader tells it with the button.)
void Tchat::buildKeys() {
    auto* menuKey = new QAction(this);
    menuKey->setObjectName(QStringLiteral("MenuKey1"));
    menuKey->setShortcut(QKeySequence(Qt::Key_F10));
    connect(menuKey, &QAction::triggered, this, [this] {
        const QList<QAction*> menus = menuBar()->actions();
        if (!menus.isEmpty())
            menuBar()->setActiveAction(menus.first());
    });
    addAction(menuKey);
}

void Tchat::buildPopups() {
    QMenu* popup_kick = new QMenu(this);
    popup_kick->setObjectName(QStringLiteral("popup_kick"));
    m_menus.playerMenu = popup_kick;
    m_menus.removeFromGame =
        addItem(popup_kick, "RemoveFromGame1", QStringLiteral("Remove From Game"));
    connect(m_menus.removeFromGame, &QAction::triggered, this, &Tchat::RemoveFromGame1Click);
    for (int seat = 1; seat <= m_state.seatcount; ++seat) {
        for (const bool lastWord : {false, true}) {
            QLabel* label =
                lastWord ? m_board->lastWordLabel(seat) : m_board->playerNameLabel(seat);
            if (!label)
                continue;
            label->setContextMenuPolicy(Qt::CustomContextMenu);
            connect(label, &QWidget::customContextMenuRequested, this,
                    [this, label, seat, lastWord](const QPoint& pos) {
                        label_playername1ContextPopup(seat, lastWord);
                        m_menus.playerMenu->popup(label->mapToGlobal(pos));
                    });
        }
    }
    // The chat pane's "Scroll Chat Off" and the Options menu's are one setting.
    // The pane's own "Scroll Chat Off" is the same setting as the menu's.
    connect(m_chat->scrollChatOffItem(), &QAction::triggered, m_settings,
            &SettingsController::setScrollChatOff);
}

// The Options menu shows the preferences (showPreferences) and changes them
// through the settings controller; the marks are never read back.
void Tchat::buildOptionsMenu(QMenu* options) {
    options->setObjectName(QStringLiteral("Options1"));
    SettingsController* s = m_settings;
    m_menus.playSounds = addCheckable(options, "PlaySounds1", QStringLiteral("Play &Sounds"));
    connect(m_menus.playSounds, &QAction::triggered, s, &SettingsController::setPlaySounds);
    m_menus.chatterSounds =
        addCheckable(options, "PlayChatterSounds1", QStringLiteral("Play &Chatter Sounds"));
    connect(m_menus.chatterSounds, &QAction::triggered, s, &SettingsController::setChatterSounds);

    QMenu* turnSound = addSubmenu(options, "TurnSound1", QStringLiteral("&Turn Sound"));
    QActionGroup* turnGroup = radioGroup(turnSound);
    for (auto [name, caption, sound] : {std::tuple{"Classic1", "&Classic", TurnSound::Classic},
                                        std::tuple{"New1", "&New", TurnSound::New}}) {
        QAction* item =
            addChoice(turnSound, name, QString::fromLatin1(caption), int(sound), turnGroup);
        m_menus.turnSounds.append({sound, item});
        connect(item, &QAction::triggered, s, [s, sound = sound] { s->setTurnSound(sound); });
    }
    options->addSeparator();

    // "BotSpeed1" is the name the "Time Between Rounds" menu has always had.
    QMenu* pause = addSubmenu(options, "BotSpeed1", QStringLiteral("Time &Between Rounds"));
    QActionGroup* pauseGroup = radioGroup(pause);
    for (auto [name, caption, value] : {std::tuple{"Long1", "&Long", RoundPause::Long},
                                        std::tuple{"Normal1", "&Normal", RoundPause::Normal},
                                        std::tuple{"Quick1", "&Quick", RoundPause::Quick}}) {
        QAction* item =
            addChoice(pause, name, QString::fromLatin1(caption), int(value), pauseGroup);
        m_menus.roundPauses.append({value, item});
        connect(item, &QAction::triggered, s, [s, value = value] { s->setPause(value); });
    }

    QMenu* botSpeed = addSubmenu(options, "BotSpeed2", QStringLiteral("Bot Spee&d"));
    QActionGroup* botGroup = radioGroup(botSpeed);
    for (auto [name, caption, value] : {std::tuple{"Slow1", "&Slow", BotPace::Slow},
                                        std::tuple{"Normal2", "&Normal", BotPace::Normal},
                                        std::tuple{"Fast1", "&Fast", BotPace::Fast}}) {
        QAction* item =
            addChoice(botSpeed, name, QString::fromLatin1(caption), int(value), botGroup);
        m_menus.botPaces.append({value, item});
        connect(item, &QAction::triggered, s, [s, value = value] { s->setBotPace(value); });
    }
    options->addSeparator();

    connect(addItem(options, "TextColor1", QStringLiteral("Te&xt Color")), &QAction::triggered, s,
            &SettingsController::TextColor1Click);
    connect(addItem(options, "ActionColor1", QStringLiteral("&Action Color")), &QAction::triggered,
            s, &SettingsController::ActionColor1Click);
    QMenu* textSize = addSubmenu(options, "TextSize1", QStringLiteral("Text Si&ze"));
    QActionGroup* sizeGroup = radioGroup(textSize);
    for (int size : {8, 10, 12, 14}) {
        const QByteArray name = "N" + QByteArray::number(size);
        // "&8", "1&0", "1&2", "1&4": the mnemonic is the last digit.
        QString caption = QString::number(size);
        caption.insert(caption.size() - 1, QLatin1Char('&'));
        QAction* item = addChoice(textSize, name.constData(), caption, size, sizeGroup);
        m_menus.textSizes.append({size, item});
        connect(item, &QAction::triggered, s, [s, size] { s->setTextSize(size); });
    }

    QAction* scrollOff =
        addCheckable(options, "ScrollChatOff1", QStringLiteral("Scr&oll Chat Off"));
    m_menus.scrollChatOff = scrollOff;
    scrollOff->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(scrollOff, &QAction::triggered, s, &SettingsController::setScrollChatOff);
    connect(addItem(options, "ClearMainChat1", QStringLiteral("Clea&r Main Chat")),
            &QAction::triggered, this, [this] { m_chat->ClearMainChat1Click(); });
    connect(addItem(options, "ResetScreenLocation1", QStringLiteral("R&eset Screen Location")),
            &QAction::triggered, s, &SettingsController::ResetScreenLocation1Click);
}

void Tchat::showPreferences(const Preferences& p) {
    m_menus.playSounds->setChecked(p.playSounds);
    m_menus.chatterSounds->setChecked(p.chatterSounds);
    checkChoice(m_menus.turnSounds, p.turnSound);
    checkChoice(m_menus.roundPauses, p.pause);
    checkChoice(m_menus.botPaces, p.botPace);
    checkChoice(m_menus.textSizes, p.textSize);
    m_menus.scrollChatOff->setChecked(p.scrollChatOff);
    m_menus.showMissedWords->setChecked(p.showMissedWords);
    m_model.setShowMissedWords(p.showMissedWords);
    m_menus.highContrast->setChecked(p.highContrast);
    m_board->setHighContrast(p.highContrast);
    if (m_chat) {
        m_chat->scrollChatOffItem()->setChecked(p.scrollChatOff);
        m_chat->setHighContrast(p.highContrast);
    }
    m_board->setScrollChatOffMark(p.scrollChatOff);
    QFont font = m_board->mainchat()->font();
    font.setPointSize(p.chatFontSize());
    m_board->mainchat()->setFont(font);
    QLineEdit* entry = m_board->mychat();
    QPalette pal = entry->palette();
    pal.setColor(QPalette::Text, colortext::toQColor(p.textColour));
    entry->setPalette(pal);
    for (int n = 1; n <= 9; ++n)
        m_board->phraseButton(n)->setToolTip(p.phrases[n - 1]);
    if (Tgamestart* start = m_windows.gamestart)
        start->setChoice(p.gameStart(start->choice().showWordList));
}
