#pragma once
// The chat side of the main window: the chat pane and entry line on the board,
// "/me" actions, the nine phrase buttons and their gate, the chatter-sound menu,
// the pane's and entry's pop-up items. Everything typed leaves through
// wire::encode, which never lets a 0xFF byte cut a message apart.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QTextEdit;
class QLineEdit;
class Tchat;

class ChatController : public QObject {
    Q_OBJECT
public:
    explicit ChatController(Tchat& window);
    ~ChatController() override;

    static constexpr const char* kEntryPrompt = "<Enter Chat Here>";
    // Longest chat line the entry takes. The server drops a connection whose
    // message runs past its limit, so a pasted page must never reach it; no
    // typed line comes near this.
    static constexpr int kMaxEntryChars = 1000;

    // A line in the chat pane: bold up to and including the first ":", the rest
    // plain, all in `colour` (00BBGGRR). With "Scroll Chat Off" the view stays.
    void addlinetochat(const QString& text, quint32 colour);

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

    // Opens a web address from the chat pane (default: the desktop's browser).
    std::function<void(const QString&)> openLink;

    QMenu* popupSounds() const { return popup_sounds; }
    QMenu* chatPopup() const { return m_chatPopup; }
    QMenu* entryPopup() const { return m_entryPopup; }
    bool scrollChatOff() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPopups();
    QTextEdit* pane() const;
    QLineEdit* entry() const;
    QByteArray actionMessage(const QString& text) const;
    void mainchatMouseMove(const QPoint& pos);
    bool mainchatMouseDown(const QPoint& pos, Qt::MouseButton button);

    Tchat& m_window;
    QMenu* popup_sounds = nullptr;
    QMenu* m_chatPopup = nullptr;
    QMenu* m_entryPopup = nullptr;
    QAction* m_scrollOff2 = nullptr;
};
