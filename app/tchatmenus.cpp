// The main window's menu bar and pop-up menus. Every item carries its objectName
// (the settings part and the tests find them by name) and, where the program
// reads one, its "Tag".

#include "boardpanel.h"
#include "chatcontroller.h"
#include "tchat.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction* addItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

QAction* addTagged(QMenu* menu, const char* name, const QString& caption, int tag,
                   QActionGroup* group = nullptr, bool checked = false) {
    QAction* action = addItem(menu, name, caption);
    action->setProperty("Tag", tag);
    if (group) {
        action->setCheckable(true);
        action->setChecked(checked);
        group->addAction(action);
    }
    return action;
}

QMenu* addSubmenu(QMenu* parent, const char* name, const QString& caption, int tag) {
    QMenu* sub = parent->addMenu(caption);
    sub->setObjectName(QLatin1String(name));
    sub->menuAction()->setObjectName(QLatin1String(name) + QLatin1String("Item"));
    sub->setProperty("Tag", tag);
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

    QMenu* file = bar->addMenu(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("File1"));
    QAction* start = addItem(file, "StartGame1", QStringLiteral("Start Game"));
    start->setEnabled(false);
    connect(start, &QAction::triggered, this, [this] { m_board->button_startClick(); });
    file->addSeparator();
    connect(addItem(file, "Exit1", QStringLiteral("Exit")), &QAction::triggered, this,
            &QWidget::close);

    QMenu* options = bar->addMenu(QStringLiteral("Options"));
    options->setObjectName(QStringLiteral("Options1"));
    QAction* playSounds = addItem(options, "PlaySounds1", QStringLiteral("Play Sounds"));
    playSounds->setCheckable(true);
    playSounds->setChecked(true);
    QAction* chatter =
        addItem(options, "PlayChatterSounds1", QStringLiteral("Play Chatter Sounds"));
    chatter->setCheckable(true);

    QMenu* turnSound = addSubmenu(options, "TurnSound1", QStringLiteral("Turn Sound"), 0);
    QActionGroup* turnGroup = radioGroup(turnSound);
    addTagged(turnSound, "Classic1", QStringLiteral("Classic"), 0, turnGroup, true);
    addTagged(turnSound, "New1", QStringLiteral("New"), 1, turnGroup);
    options->addSeparator();

    QMenu* pause = addSubmenu(options, "BotSpeed1", QStringLiteral("Time Between Rounds"), 12);
    QActionGroup* pauseGroup = radioGroup(pause);
    addTagged(pause, "Long1", QStringLiteral("Long"), 17, pauseGroup);
    addTagged(pause, "Normal1", QStringLiteral("Normal"), 12, pauseGroup, true);
    addTagged(pause, "Quick1", QStringLiteral("Quick"), 10, pauseGroup);

    QMenu* botSpeed = addSubmenu(options, "BotSpeed2", QStringLiteral("Bot Speed"), 1200);
    QActionGroup* botGroup = radioGroup(botSpeed);
    addTagged(botSpeed, "Slow1", QStringLiteral("Slow"), 2000, botGroup);
    addTagged(botSpeed, "Normal2", QStringLiteral("Normal"), 1200, botGroup, true);
    addTagged(botSpeed, "Fast1", QStringLiteral("Fast"), 750, botGroup);
    options->addSeparator();

    addItem(options, "TextColor1", QStringLiteral("Text Color"));
    addItem(options, "ActionColor1", QStringLiteral("Action Color"));
    QMenu* textSize = addSubmenu(options, "TextSize1", QStringLiteral("Text Size"), 0);
    QActionGroup* sizeGroup = radioGroup(textSize);
    addTagged(textSize, "N8", QStringLiteral("8"), 8, sizeGroup, true);
    addTagged(textSize, "N10", QStringLiteral("10"), 10, sizeGroup);
    addTagged(textSize, "N12", QStringLiteral("12"), 12, sizeGroup);
    addTagged(textSize, "N14", QStringLiteral("14"), 14, sizeGroup);

    QAction* scrollOff = addItem(options, "ScrollChatOff1", QStringLiteral("Scroll Chat Off"));
    scrollOff->setCheckable(true);
    scrollOff->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(addItem(options, "ClearMainChat1", QStringLiteral("Clear Main Chat")),
            &QAction::triggered, this, [this] { m_chat->ClearMainChat1Click(); });
    addItem(options, "ResetScreenLocation1", QStringLiteral("Reset Screen Location"));

    QMenu* view = bar->addMenu(QStringLiteral("View"));
    view->setObjectName(QStringLiteral("View1"));
    connect(addItem(view, "ViewTally1", QStringLiteral("View Tally")), &QAction::triggered, this,
            &Tchat::ViewTally1Click);
    connect(addItem(view, "SpyList1", QStringLiteral("Spy List")), &QAction::triggered, this,
            [this] { showWindow(WindowKind::SpyList); });
    connect(addItem(view, "PrhaseList1", QStringLiteral("Phrase List")), &QAction::triggered, this,
            [this] { m_chat->PrhaseList1Click(); });

    QMenu* help = bar->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help1"));
    QAction* content = addItem(help, "Content1", QStringLiteral("Content"));
    content->setShortcut(QKeySequence(Qt::Key_F1));
    connect(content, &QAction::triggered, this, [this] { showWindow(WindowKind::Help); });
    help->addSeparator();
    connect(addItem(help, "About1", QStringLiteral("About")), &QAction::triggered, this,
            [this] { showWindow(WindowKind::About); });
}

void Tchat::buildPopups() {
    popup_kick = new QMenu(this);
    popup_kick->setObjectName(QStringLiteral("popup_kick"));
    connect(addItem(popup_kick, "RemoveFromGame1", QStringLiteral("Remove From Game")),
            &QAction::triggered, this, &Tchat::RemoveFromGame1Click);
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
                        popup_kick->popup(label->mapToGlobal(pos));
                    });
        }
    }
    // The chat pane's "Scroll Chat Off" and the Options menu's are one setting.
    QAction* scrollOff1 = menuAction(QStringLiteral("ScrollChatOff1"));
    QAction* scrollOff2 = m_chat->scrollChatOffItem();
    connect(scrollOff1, &QAction::toggled, scrollOff2, &QAction::setChecked);
    connect(scrollOff2, &QAction::toggled, scrollOff1, &QAction::setChecked);
}
