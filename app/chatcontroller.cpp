#include "chatcontroller.h"

#include "boardpanel.h"
#include "colortext.h"
#include "messages.h"
#include "protocol.h"
#include "readers.h"
#include "richlink.h"
#include "soundplayer.h"
#include "tchat.h"
#include "tphrases.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QUrl>

namespace {

const char* const kSoundCaptions[20] = {
    "Doh",       "Cough",    "Hello",          "Thank You",    "Where have you been?",
    "Snoring",   "Sneezing", "Sorry",          "Welcome",      "Yeehaa",
    "Yippee",    "Oh No",    "Applause",       "Honk",         "Oooh",
    "Razzberry", "Cheer",    "Woman Laughing", "Man Laughing", "Crying"};

} // namespace

ChatController::ChatController(Tchat& window) : QObject(&window), m_window(window) {
    buildPopups();
    if (QLineEdit* e = entry()) {
        e->setMaxLength(kMaxEntryChars);
        e->installEventFilter(this);
    }
    if (QTextEdit* p = pane()) {
        p->installEventFilter(this);
        p->viewport()->installEventFilter(this);
        p->viewport()->setMouseTracking(true);
    }
    BoardPanel* board = m_window.board();
    for (int n = 1; n <= 9; ++n) {
        if (QAbstractButton* b = board->phraseButton(n))
            connect(b, &QAbstractButton::clicked, this, [this, n] { phraseClick(n); });
    }
    if (QAbstractButton* b = board->phraseButton(10))
        connect(b, &QAbstractButton::clicked, this, &ChatController::b_phrase10Click);
}

ChatController::~ChatController() = default;

QTextEdit* ChatController::pane() const {
    return m_window.board()->mainchat();
}

QLineEdit* ChatController::entry() const {
    return m_window.board()->mychat();
}

bool ChatController::scrollChatOff() const {
    return m_scrollOff1 && m_scrollOff1->isChecked();
}

void ChatController::buildPopups() {
    popup_sounds = new QMenu(&m_window);
    popup_sounds->setObjectName(QStringLiteral("popup_sounds"));
    QAction* cancel = popup_sounds->addAction(QStringLiteral("<Cancel>"));
    cancel->setObjectName(QStringLiteral("Cancel1"));
    cancel->setProperty("Tag", 0);
    connect(cancel, &QAction::triggered, this, [this] { soundItemClick(0); });
    for (int k = 1; k <= 20; ++k) {
        QAction* item = popup_sounds->addAction(QString::fromLatin1(kSoundCaptions[k - 1]));
        item->setObjectName(QStringLiteral("wave%1").arg(k));
        item->setProperty("Tag", k);
        connect(item, &QAction::triggered, this, [this, k] { soundItemClick(k); });
    }

    m_scrollOff1 = m_window.menuAction(QStringLiteral("ScrollChatOff1"));

    m_chatPopup = new QMenu(&m_window);
    m_chatPopup->setObjectName(QStringLiteral("popup_chat"));
    QAction* copy = m_chatPopup->addAction(QStringLiteral("Copy"));
    copy->setObjectName(QStringLiteral("Copy1"));
    copy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(copy, &QAction::triggered, this, &ChatController::Copy1Click);
    QAction* clear = m_chatPopup->addAction(QStringLiteral("Clear Main Chat"));
    clear->setObjectName(QStringLiteral("ClearMainChat2"));
    connect(clear, &QAction::triggered, this, &ChatController::ClearMainChat1Click);
    m_chatPopup->addSeparator();
    m_scrollOff2 = m_chatPopup->addAction(QStringLiteral("Scroll Chat Off"));
    m_scrollOff2->setObjectName(QStringLiteral("ScrollChatOff2"));
    m_scrollOff2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_scrollOff2->setCheckable(true);
    // The two "Scroll Chat Off" items are one setting.
    if (m_scrollOff1) {
        connect(m_scrollOff1, &QAction::toggled, m_scrollOff2, &QAction::setChecked);
        connect(m_scrollOff2, &QAction::toggled, m_scrollOff1, &QAction::setChecked);
    }

    m_entryPopup = new QMenu(&m_window);
    m_entryPopup->setObjectName(QStringLiteral("popup_mychat"));
    QAction* paste = m_entryPopup->addAction(QStringLiteral("Paste"));
    paste->setObjectName(QStringLiteral("Paste1"));
    paste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(paste, &QAction::triggered, this, &ChatController::Paste1Click);

    if (QTextEdit* p = pane()) {
        p->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(p, &QWidget::customContextMenuRequested, this,
                [this, p](const QPoint& pos) { m_chatPopup->popup(p->mapToGlobal(pos)); });
    }
    if (QLineEdit* e = entry()) {
        e->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(e, &QWidget::customContextMenuRequested, this,
                [this, e](const QPoint& pos) { m_entryPopup->popup(e->mapToGlobal(pos)); });
    }
}

void ChatController::addlinetochat(const QString& text, quint32 colour) {
    QTextEdit* p = pane();
    if (!p)
        return;
    const bool keepView = scrollChatOff();
    QScrollBar* bar = p->verticalScrollBar();
    const int firstVisible = bar->value();
    const QTextCursor caret = p->textCursor();

    p->setUpdatesEnabled(false);
    QTextCharFormat plain;
    plain.setForeground(colortext::toQColor(colour));
    plain.setFontWeight(QFont::Normal);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);

    QTextCursor end(p->document());
    end.movePosition(QTextCursor::End);
    const qsizetype colon = text.indexOf(u':');
    if (colon >= 0) {
        end.insertText(text.left(colon + 1), bold);
        end.insertText(text.mid(colon + 1), plain);
    } else {
        end.insertText(text, plain);
    }
    end.insertBlock(QTextBlockFormat(), plain);

    if (keepView) {
        p->setTextCursor(caret);
        bar->setValue(firstVisible);
    } else {
        QTextCursor last(p->document());
        last.movePosition(QTextCursor::End);
        p->setTextCursor(last);
        bar->setValue(bar->maximum());
    }
    p->setUpdatesEnabled(true);
}

void ChatController::chatrecieved(const QByteArray& payload) {
    const wire::ChatLine m = wire::readChatLine(payload);
    quint32 colour = colortext::kRed;
    if (!m.colour || !colortext::tryStringToColor(wire::decode(*m.colour), colour))
        colour = colortext::kRed;
    addlinetochat(wire::decode(m.line), colour);
}

QByteArray ChatController::actionMessage(const QString& text) const {
    const ClientState& s = m_window.state();
    return wire::action(m_window.model().mynumber(), wire::encode(text),
                        wire::encode(colortext::colorToString(s.actioncolour)));
}

void ChatController::sendit() {
    const ClientState& s = m_window.state();
    const GameModel& game = m_window.model();
    if (!game.loggedin())
        return;
    QLineEdit* e = entry();
    const QString text = e->text();
    if (!text.isEmpty()) {
        if (!text.startsWith(u'/')) {
            m_window.sendMessage(wire::chat(game.mynumber(), wire::encode(text),
                                            wire::encode(colortext::colorToString(s.textcolour))));
        } else if (text.startsWith(QLatin1String("/me"))) {
            m_window.sendMessage(actionMessage(text.mid(4)));
        }
    }
    e->clear();
}

void ChatController::phraseClick(int button) {
    ClientState& s = m_window.state();
    if (!s.phraseok || !m_window.model().loggedin())
        return;
    QAbstractButton* b = m_window.board()->phraseButton(button);
    if (!b)
        return;
    // A phrase from a hand-edited settings file may be any length; the server
    // drops a player whose message runs past its limit.
    const QString phrase = b->toolTip().left(kMaxEntryChars);
    if (phrase.startsWith(QLatin1String("/me ")))
        m_window.sendMessage(actionMessage(phrase.mid(4)));
    else
        m_window.sendMessage(actionMessage(QStringLiteral("says: ") + phrase));
    s.phraseok = false;
}

void ChatController::b_phrase10Click() {
    QAbstractButton* b = m_window.board()->phraseButton(10);
    if (b)
        popup_sounds->popup(b->mapToGlobal(b->rect().bottomRight()));
}

void ChatController::soundItemClick(int tag) {
    const ClientState& s = m_window.state();
    const GameModel& game = m_window.model();
    if (tag == 0 || game.mynumber() > s.seatcount || !game.loggedin())
        return;
    m_window.sendMessage(wire::playasound(game.mynumber(), tag));
}

void ChatController::playasound(const QByteArray& payload) {
    const wire::SoundNotice m = wire::readSoundNotice(payload);
    const QString number = wire::decode(m.number);
    const QString name = wire::decode(m.sound);
    // Only the program's own chatter sounds: the name comes from another machine.
    auto* item = popup_sounds->findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
    const bool knownSound = item && name.startsWith(QLatin1String("wave"));
    if (m_window.menuAction(QStringLiteral("PlayChatterSounds1"))->isChecked()) {
        if (knownSound)
            m_window.sounds()->play(name);
        return;
    }
    auto* label = m_window.board()->findChild<QLabel*>(QStringLiteral("label_playername") + number);
    if (!label || !knownSound)
        return;
    addlinetochat(label->text() + QStringLiteral(": <Chatter Sound> ") + item->text(),
                  m_window.state().systemcolour);
}

void ChatController::PrhaseList1Click() {
    Tphrases* editor = m_window.phrasesWindow();
    if (!editor)
        return;
    QStringList phrases;
    for (int n = 1; n <= 9; ++n) {
        QAbstractButton* b = m_window.board()->phraseButton(n);
        phrases << (b ? b->toolTip() : QString());
    }
    editor->setPhrases(phrases);
    editor->show();
}

void ChatController::Copy1Click() {
    QString selected = pane()->textCursor().selectedText();
    selected.replace(QChar::ParagraphSeparator, u'\n');
    QApplication::clipboard()->setText(selected);
}

void ChatController::Paste1Click() {
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty())
        entry()->setText(text);
}

void ChatController::ClearMainChat1Click() {
    pane()->clear();
    entry()->setFocus();
}

void ChatController::mainchatMouseMove(const QPoint& pos) {
    QTextEdit* p = pane();
    const bool link = richlink::IsLinkAt(p, pos.x(), pos.y());
    p->viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

bool ChatController::mainchatMouseDown(const QPoint& pos, Qt::MouseButton button) {
    QTextEdit* p = pane();
    if (button != Qt::LeftButton || !richlink::IsLinkAt(p, pos.x(), pos.y()))
        return false;
    richlink::OpenLinkAt(p, pos.x(), pos.y(), [this](const QString& address) {
        // Every line in the pane may come from another machine: a "file://"
        // address there would have the desktop open (or run) a file of ours.
        const QUrl url = QUrl::fromUserInput(address);
        if (url.isLocalFile() || url.scheme().isEmpty())
            return;
        if (openLink)
            openLink(address);
        else
            QDesktopServices::openUrl(url);
    });
    return true;
}

bool ChatController::eventFilter(QObject* watched, QEvent* event) {
    QLineEdit* e = entry();
    QTextEdit* p = pane();
    if (watched == e) {
        if (event->type() == QEvent::ShortcutOverride) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Paste)) {
                event->accept();
                return true;
            }
        }
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (e->text() == QLatin1String(kEntryPrompt))
                e->clear();
            if (key->matches(QKeySequence::Paste)) {
                Paste1Click();
                return true;
            }
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                sendit();
                return true;
            }
        }
        return false;
    }
    if (watched == p && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        Copy1Click();
        return true;
    }
    if (p && watched == p->viewport() && event->type() == QEvent::MouseMove) {
        mainchatMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        return false;
    }
    if (p && watched == p->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        return mainchatMouseDown(mouse->position().toPoint(), mouse->button());
    }
    if (p && watched == p->viewport() && event->type() == QEvent::MouseButtonRelease) {
        if (e)
            e->setFocus();
        return false;
    }
    return false;
}
