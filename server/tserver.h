#pragma once
// TServer: the host's game server, living inside the hosting copy's process.
//
// It accepts up to nine players on its listener Sock1 (slots 1 to 6 are seats,
// 7 to 9 spies), cuts what they send into messages, queues them in one queue
// and handles one per 10 ms tick: logins, chat and sound relays, kicks, the game
// (rounds, prefixes, scores, the winner), word judging and the computer
// opponent in an empty seat 2. It is never shown; everything it does can be
// driven headless, and every tick handler may be called directly.
//
// Every message is bound to the connection that carried it: a message speaking
// for another player number is ignored, and only the host's own connection
// (slot 1) may start a game or remove a player. Number fields that do not
// convert make the server drop that one message without changing anything.

#include "ticktimer.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <random>

class TSock;
class TDictn;
enum class TSocketInfo;

// One player slot.
struct tplayer {
    QByteArray name;
    bool connected = false;
    QPointer<TSock> conn;
    int score = 0;
    int roundwords = 0;
    int roundpoints = 0;
    int gamewords = 0;
    bool gaveup = false;

    // Bookkeeping of the slot's current connection.
    quint64 serial = 0;  // which connection holds the slot; 0 never does
    QByteArray received; // bytes after the last terminator
    int queued = 0;      // its messages waiting in receivedlist
};

class TServer : public QObject {
    Q_OBJECT
public:
    // workingDir: the process's private working directory (the dictionary's
    // working file goes there).
    explicit TServer(const QString& workingDir, QObject* parent = nullptr);
    ~TServer() override;

    TSock* Sock1;    // listener, PortName "7772"; the host sets Listen = true
    TSock* tempsock; // never opened; carries the handlers every connection gets
    // The host's "Time Between Rounds" (Tag of BotSpeed1); 12 when unset.
    std::function<int()> timeBetweenRounds;
    // The host's "Bot Speed" in milliseconds (Tag of BotSpeed2); 1200 when unset.
    std::function<int()> botSpeed;
    // A plain message box, e.g. "English.dic dictionary not found!".
    std::function<void(const QString&)> showMessage;

    void seed(quint32 s);
    // Tests: stop the real timers; ticks then come only from direct calls.
    void setManualTicks(bool manual);

    static constexpr int kMaxSlots = 9;
    static constexpr int kSpySlotsFrom = 7;
    // Sender of the computer opponent's words, which never cross the wire.
    static constexpr int kFromServer = 0;

    // ---- player slots and connections ----
    std::array<tplayer, 11> players; // index 1..10; 0 unused, 10 only refuses
    int numslots = 0;
    int numseats = 6;
    bool gameon = false;

    struct Received {
        QByteArray text;
        int slot = 0;
        quint64 serial = 0;
    };
    std::deque<Received> receivedlist;

    void Sock1Accept(TSock* listener);
    void Sock1Read(TSock* sock, int count);
    void tempsockDisconnect(TSock* sock);
    void tempsockInfo(TSock* sock, TSocketInfo kind, const QString& text);
    void socktimerTimer();

    // Message handlers: the payload, and the slot whose connection carried it.
    void receivedlogininfo(const QByteArray& payload, int sender);
    void kickhim(const QByteArray& payload, int sender);
    void chat(const QByteArray& payload, int sender);
    void action(const QByteArray& payload, int sender);
    void playasound(const QByteArray& payload, int sender);
    void startgame(const QByteArray& payload, int sender);
    void sendword(const QByteArray& payload, int sender);
    void giveup(const QByteArray& payload, int sender);
    void disconnectsock(int number);

    // ---- the game ----
    int numrounds = 5;
    int roundtime = 64;
    int lengthsetting = 0;
    bool showwords = true;
    int roundnum = 0;
    int wordlength = 0;
    QByteArray prefix;
    QByteArray starterword;
    bool roundopen = false;
    int countdown = 0;

    QList<QByteArray> listbox_words; // starter words, lower case, sorted
    QList<QByteArray> listbox_gotten;
    QList<QByteArray> listbox_prefix;
    TickTimer socktimer;
    TickTimer roundtimer;
    TickTimer computertimer;
    std::unique_ptr<TDictn> spell;

    void starttheround();
    void endtheround();
    bool checkforwin();
    void roundtimerTimer();
    void computertimerTimer();
    void computerfindword();

private:
    friend class SettleGuard;

    bool isLive(int slot, quint64 serial) const;
    void sendTo(int slot, const QByteArray& message);
    void broadcast(const QByteArray& message);
    void doom(int slot);
    void settle();
    void purgeQueue(quint64 serial);
    void freeSlot(int slot, TSock* sock);
    void sendLoadStats(int number);

    int draw(int low, int high);
    int pauseSeconds() const;
    int botInterval() const;
    void drawRoundStart();
    bool prefixesExhausted() const;
    QByteArray drawStarter(int length);
    bool inDictionary(const QByteArray& word) const;

    std::mt19937 m_rng;
    quint64 m_nextSerial = 0;
    QList<std::pair<int, quint64>> m_doomed;
    int m_settleDepth = 0;
    QString m_pendingNotice;
};
