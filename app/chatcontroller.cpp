// SPDX-License-Identifier: GPL-3.0-or-later
#include "chatcontroller.h"

#include "colortext.h"
#include "contrast.h"
#include "messages.h"
#include "preferences.h"
#include "protocol.h"
#include "readers.h"
#include "richlink.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QKeyEvent>
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

// Player numbers above the table's six seats are spies.
constexpr int kSeatCount = 6;

// The caption of the chatter sound named "wave1" to "wave20"; empty for any
// other name.
QString soundCaption(const QString& name) {
    for (int k = 1; k <= 20; ++k) {
        if (name == QStringLiteral("wave%1").arg(k))
            return QString::fromLatin1(kSoundCaptions[k - 1]);
    }
    return QString();
}

} // namespace

ChatController::ChatController(ChatHost& host, const ChatWidgets& widgets, QWidget* window)
    : QObject(window), m_host(host), m_pane(widgets.pane), m_entry(widgets.entry),
      m_soundsButton(widgets.phraseButtons[9]) {
    if (m_pane)
        m_paneViewport = m_pane->viewport();
    buildPopups(window);
    watchWidgets();
    for (int n = 1; n <= 9; ++n) {
        if (QAbstractButton* b = widgets.phraseButtons[n - 1])
            connect(b, &QAbstractButton::clicked, this, [this, n] { phraseClick(n); });
    }
    if (m_soundsButton)
        connect(m_soundsButton, &QAbstractButton::clicked, this, &ChatController::b_phrase10Click);
}

ChatController::~ChatController() {
    // The board may outlive this controller: nothing it does while going away
    // may reach a controller that is gone.
    if (m_entry)
        m_entry->removeEventFilter(this);
    if (m_pane)
        m_pane->removeEventFilter(this);
    if (m_paneViewport)
        m_paneViewport->removeEventFilter(this);
}

void ChatController::watchWidgets() {
    if (m_entry) {
        m_entry->setMaxLength(kMaxEntryChars);
        m_entry->installEventFilter(this);
        m_entry->setContextMenuPolicy(Qt::CustomContextMenu);
        QLineEdit* e = m_entry;
        connect(e, &QWidget::customContextMenuRequested, this,
                [this, e](const QPoint& pos) { m_entryPopup->popup(e->mapToGlobal(pos)); });
    }
    if (m_pane) {
        m_pane->installEventFilter(this);
        m_paneViewport->installEventFilter(this);
        m_paneViewport->setMouseTracking(true);
        m_pane->setContextMenuPolicy(Qt::CustomContextMenu);
        QTextEdit* p = m_pane;
        connect(p, &QWidget::customContextMenuRequested, this,
                [this, p](const QPoint& pos) { m_chatPopup->popup(p->mapToGlobal(pos)); });
    }
}

void ChatController::buildPopups(QWidget* window) {
    popup_sounds = new QMenu(window);
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

    m_chatPopup = new QMenu(window);
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

    m_entryPopup = new QMenu(window);
    m_entryPopup->setObjectName(QStringLiteral("popup_mychat"));
    QAction* paste = m_entryPopup->addAction(QStringLiteral("Paste"));
    paste->setObjectName(QStringLiteral("Paste1"));
    paste->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(paste, &QAction::triggered, this, &ChatController::Paste1Click);
}

void ChatController::addlinetochat(const QString& text, quint32 colour) {
    QTextEdit* p = m_pane;
    if (!p)
        return;
    const bool keepView = m_host.preferences().scrollChatOff;
    QScrollBar* bar = p->verticalScrollBar();
    const int firstVisible = bar->value();
    const QTextCursor caret = p->textCursor();

    p->setUpdatesEnabled(false);
    QTextCharFormat plain;
    contrast::setColour(plain, colortext::toQColor(colour), p->palette().color(QPalette::Base),
                        m_highContrast);
    plain.setFontWeight(QFont::Normal);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);

    QTextCursor end(p->document());
    end.movePosition(QTextCursor::End);
    const int lineStart = end.position();
    const qsizetype colon = text.indexOf(u':');
    if (colon >= 0) {
        end.insertText(text.left(colon + 1), bold);
        end.insertText(text.mid(colon + 1), plain);
    } else {
        end.insertText(text, plain);
    }
    markLinks(lineStart, text);
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

// Addresses look like links (the pane opens them on a press, see
// mainchatMouseDown): underlined, in the link colour, whatever the line's own.
void ChatController::markLinks(int lineStart, const QString& text) {
    QTextCharFormat link;
    link.setFontUnderline(true);
    contrast::setColour(link, m_pane->palette().color(QPalette::Link),
                        m_pane->palette().color(QPalette::Base), m_highContrast);
    for (const richlink::CharRange& r : richlink::linksIn(text)) {
        QTextCursor c(m_pane->document());
        c.setPosition(lineStart + r.cpMin);
        c.setPosition(lineStart + r.cpMax, QTextCursor::KeepAnchor);
        QTextCharFormat f = link;
        f.setAnchor(true);
        f.setAnchorHref(text.mid(r.cpMin, r.cpMax - r.cpMin));
        c.mergeCharFormat(f);
    }
}

void ChatController::setHighContrast(bool on) {
    m_highContrast = on;
    if (m_pane)
        contrast::recolour(*m_pane->document(), m_pane->palette().color(QPalette::Base), on);
}

void ChatController::chatrecieved(const QByteArray& payload) {
    const wire::ChatLine m = wire::readChatLine(payload);
    quint32 colour = colortext::kRed;
    if (!m.colour || !colortext::tryStringToColor(wire::decode(*m.colour), colour))
        colour = colortext::kRed;
    addlinetochat(wire::decodeShown(m.line), colour);
}

QByteArray ChatController::actionMessage(const QString& text) const {
    return wire::action(m_host.ownNumber(), wire::encode(text),
                        wire::encode(colortext::colorToString(m_host.preferences().actionColour)));
}

void ChatController::sendit() {
    if (!m_host.loggedIn() || !m_entry)
        return;
    const QString text = m_entry->text();
    if (!text.isEmpty()) {
        if (!text.startsWith(u'/')) {
            m_host.sendMessage(wire::chat(
                m_host.ownNumber(), wire::encode(text),
                wire::encode(colortext::colorToString(m_host.preferences().textColour))));
        } else if (text.startsWith(QLatin1String("/me"))) {
            m_host.sendMessage(actionMessage(text.mid(4)));
        }
    }
    m_entry->clear();
}

void ChatController::phraseClick(int button) {
    if (!m_phraseok || !m_host.loggedIn() || button < 1 || button > 9)
        return;
    // A phrase from a hand-edited settings file may be any length; the server
    // drops a player whose message runs past its limit.
    const QString phrase = m_host.preferences().phrases[button - 1].left(kMaxEntryChars);
    if (phrase.startsWith(QLatin1String("/me ")))
        m_host.sendMessage(actionMessage(phrase.mid(4)));
    else
        m_host.sendMessage(actionMessage(QStringLiteral("says: ") + phrase));
    m_phraseok = false;
}

void ChatController::phraseGateTick() {
    if (m_phraseok)
        return;
    ++m_phraseticks;
    if (m_phraseticks > kPhraseGateTicks) {
        m_phraseok = true;
        m_phraseticks = 0;
    }
}

void ChatController::b_phrase10Click() {
    if (QAbstractButton* b = m_soundsButton)
        popup_sounds->popup(b->mapToGlobal(b->rect().bottomRight()));
}

void ChatController::soundItemClick(int tag) {
    // Spies cannot send sounds.
    if (tag == 0 || m_host.ownNumber() > kSeatCount || !m_host.loggedIn())
        return;
    m_host.sendMessage(wire::playasound(m_host.ownNumber(), tag));
}

void ChatController::playasound(const QByteArray& payload) {
    const wire::SoundNotice m = wire::readSoundNotice(payload);
    const QString number = wire::decode(m.number);
    const QString name = wire::decode(m.sound);
    // Only the program's own chatter sounds: the name comes from another machine.
    const QString caption = soundCaption(name);
    if (m_host.preferences().chatterSounds) {
        if (!caption.isEmpty())
            m_host.playSound(name);
        return;
    }
    const std::optional<QString> sender = m_host.seatNameByNumberText(number);
    if (!sender || caption.isEmpty())
        return;
    addlinetochat(*sender + QStringLiteral(": <Chatter Sound> ") + caption, m_host.systemColour());
}

void ChatController::PrhaseList1Click() {
    const auto& phrases = m_host.preferences().phrases;
    m_host.showPhraseEditor(QStringList(phrases.begin(), phrases.end()));
}

void ChatController::Copy1Click() {
    if (!m_pane)
        return;
    QString selected = m_pane->textCursor().selectedText();
    selected.replace(QChar::ParagraphSeparator, u'\n');
    QApplication::clipboard()->setText(selected);
}

void ChatController::Paste1Click() {
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty() && m_entry)
        m_entry->setText(text);
}

void ChatController::ClearMainChat1Click() {
    if (m_pane)
        m_pane->clear();
    if (m_entry)
        m_entry->setFocus();
}

void ChatController::mainchatMouseMove(const QPoint& pos) {
    QTextEdit* p = m_pane;
    const bool link = richlink::IsLinkAt(p, pos.x(), pos.y());
    p->viewport()->setCursor(link ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

bool ChatController::mainchatMouseDown(const QPoint& pos, Qt::MouseButton button) {
    QTextEdit* p = m_pane;
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
    // Only input events matter here. A widget that is being destroyed still
    // sends others (hiding, focus) when it is no longer what it was, so those
    // are let through before any of the guarded pointers is looked at.
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        break;
    default:
        return false;
    }
    if (m_entry && watched == m_entry)
        return entryEvent(event);
    if (m_pane && watched == m_pane && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        Copy1Click();
        return true;
    }
    if (m_paneViewport && watched == m_paneViewport)
        return viewportEvent(event);
    return false;
}

bool ChatController::viewportEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseMove:
        mainchatMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        return false;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        return mainchatMouseDown(mouse->position().toPoint(), mouse->button());
    }
    case QEvent::MouseButtonRelease:
        // A selection stays with the pane, so Ctrl+C copies it; otherwise the
        // player goes back to typing.
        if (m_entry && !(m_pane && m_pane->textCursor().hasSelection()))
            m_entry->setFocus();
        return false;
    default:
        return false;
    }
}

bool ChatController::entryEvent(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // Ctrl+V is the entry's own Paste, not the line edit's.
        if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
            event->accept();
            return true;
        }
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (m_entry->text() == QLatin1String(kEntryPrompt))
        m_entry->clear();
    if (key->matches(QKeySequence::Paste)) {
        Paste1Click();
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        sendit();
        return true;
    }
    return false;
}
