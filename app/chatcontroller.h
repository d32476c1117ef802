// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The chat side of the main window: the chat pane and entry line on the board,
// "/me" actions, the nine phrase buttons and their gate, the chatter-sound menu,
// the pane's and entry's pop-up items. Everything typed leaves through
// wire::encode, which never lets a 0xFF byte cut a message apart.

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

class QAbstractButton;
class QAction;
class QMenu;
class QTextEdit;
class QLineEdit;
class QWidget;
struct Preferences;

// The chat's widgets on the board, handed over once when the controller is
// made; any may be missing.
struct ChatWidgets {
    QTextEdit* pane = nullptr;
    QLineEdit* entry = nullptr;
    // b_phrase1..9 send phrases; b_phrase10 opens the chatter sounds.
    std::array<QAbstractButton*, 10> phraseButtons{};
};

// What the chat needs from the main window, asked for at the moment it is used.
class ChatHost {
public:
    virtual ~ChatHost() = default;
    // Sends one complete message; nothing goes out before login.
    virtual void sendMessage(const QByteArray& message) = 0;
    virtual int ownNumber() const = 0;
    virtual bool loggedIn() const = 0;
    // The player's preferences as they stand: the colours (00BBGGRR) of own
    // chat and of own actions and phrases, "Play Chatter Sounds", "Scroll Chat
    // Off" and the nine phrases.
    virtual const Preferences& preferences() const = 0;
    // Colour of the program's own lines.
    virtual quint32 systemColour() const = 0;
    // Plays a sound resource by name, whatever "Play Sounds" says.
    virtual void playSound(const QString& name) = 0;
    // The name of the seat written exactly as `number` ("1" to "6"); nothing
    // for any other text.
    virtual std::optional<QString> seatNameByNumberText(const QString& number) const = 0;
    // Shows the phrase editor holding these nine phrases.
    virtual void showPhraseEditor(const QStringList& phrases) = 0;
};

class ChatController : public QObject {
    Q_OBJECT
public:
    // `window` parents the pop-up menus and this controller.
    ChatController(ChatHost& host, const ChatWidgets& widgets, QWidget* window);
    ~ChatController() override;

    static constexpr const char* kEntryPrompt = "<Enter Chat Here>";
    // Longest chat line the entry takes. The server drops a connection whose
    // message runs past its limit, so a pasted page must never reach it; no
    // typed line comes near this.
    static constexpr int kMaxEntryChars = 1000;
    // Ticks of the dispatch timer the phrase gate stays closed, plus one.
    static constexpr int kPhraseGateTicks = 100;

    // A line in the chat pane: bold up to and including the first ":", the rest
    // plain, all in `colour` (00BBGGRR). With "Scroll Chat Off" the view stays.
    void addlinetochat(const QString& text, quint32 colour);
    // "High Contrast Colours": every line, those already in the pane included,
    // at 4.5:1 or better against the pane; off, each in its own colour.
    void setHighContrast(bool on);

    void chatrecieved(const QByteArray& payload);
    void sendit();
    void phraseClick(int button); // b_phrase1..9
    void b_phrase10Click();
    void soundItemClick(int tag); // items of popup_sounds
    void playasound(const QByteArray& payload);
    void PrhaseList1Click();
    void Copy1Click();
    void Paste1Click();
    void ClearMainChat1Click();

    // The phrase gate: closed by a phrase sent, open again after more than
    // kPhraseGateTicks ticks of the dispatch timer.
    void phraseGateTick();
    bool phraseok() const { return m_phraseok; }
    int phraseticks() const { return m_phraseticks; }

    // Opens a web address from the chat pane (default: the desktop's browser).
    std::function<void(const QString&)> openLink;

    QMenu* popupSounds() const { return popup_sounds; }
    QMenu* chatPopup() const { return m_chatPopup; }
    QMenu* entryPopup() const { return m_entryPopup; }
    // The pane's own "Scroll Chat Off" item; the main window keeps it in step
    // with the Options menu's.
    QAction* scrollChatOffItem() const { return m_scrollOff2; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPopups(QWidget* window);
    void watchWidgets();
    QByteArray actionMessage(const QString& text) const;
    void markLinks(int lineStart, const QString& text);
    bool entryEvent(QEvent* event);
    bool viewportEvent(QEvent* event);
    void mainchatMouseMove(const QPoint& pos);
    bool mainchatMouseDown(const QPoint& pos, Qt::MouseButton button);

    ChatHost& m_host;
    // Board widgets that may go before this controller does.
    QPointer<QTextEdit> m_pane;
    QPointer<QWidget> m_paneViewport;
    QPointer<QLineEdit> m_entry;
    QPointer<QAbstractButton> m_soundsButton; // b_phrase10
    QMenu* popup_sounds = nullptr;
    QMenu* m_chatPopup = nullptr;
    QMenu* m_entryPopup = nullptr;
    QAction* m_scrollOff2 = nullptr;
    bool m_phraseok = true;
    int m_phraseticks = 0;
    bool m_highContrast = false;
};
