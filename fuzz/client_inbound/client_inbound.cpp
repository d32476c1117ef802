// SPDX-License-Identifier: GPL-3.0-or-later
// The client's inbound path: a server's bytes fed to the main window as its
// game connection delivers them (Tchat::receiveBytes, what sockRead calls), cut
// and queued there, and handed one per tick of Timer1 to the dispatcher, the
// game model, the chat and the board, all offscreen. The input is a small
// program (see the op list below): bytes in pieces of its choosing, dispatch
// ticks, ticks of the turn clock, and the connection's own reports.
//
// A number field that does not convert raises wire::EConvertError, which the
// program's error box reports; here it is counted and nothing else may escape.
// The window must stay sane after every step: six seats, each shown on the
// board as the model has it, a clock that never shows less than nothing, no
// more words or spies than messages that could bring them, a queue within its
// caps. Message boxes are answered at once; no dialog may block.

#include "boardpanel.h"
#include "fuzzing.h"
#include "gamemodel.h"
#include "protocol.h"
#include "soundplayer.h"
#include "tchat.h"
#include "tdictn.h"
#include "tsock.h"
#include "tspylist.h"
#include "vorlixapplication.h"
#include "widgettarget.h"

#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

// The input's operations.
enum Op : uint8_t {
    Bytes,     // length (one byte, or two when the first is 0xF0 or more), the bytes
    Tick,      // count: ticks of Timer1
    Drain,     // ticks of Timer1 until the queue is empty (bounded)
    TurnClock, // count: ticks of the turn clock
    Fill,      // count, byte: count * 64 copies of the byte arrive at once
    kOps
};
// The connection's reports are each one byte value of their own, not a class
// of values like the ops above: "Socket Closed" closes the window, and a new
// one costs more than most inputs, so a random byte should seldom mean it.
constexpr uint8_t kSocketClosed = 0xC0;
constexpr uint8_t kSocketError = 0xC1;

constexpr int kMaxOps = 128;
constexpr int kMaxDrainTicks = 300;

// A fresh window costs about 2 ms, several times an input's own work, so one
// window serves many inputs: it is made anew when an input closed it, and
// after kInputsPerWindow inputs, so that what the earlier inputs left (names,
// spies, the chat pane's lines) never grows without bound. Between inputs the
// player clears the chat pane, as the pane's own menu does.
constexpr int kInputsPerWindow = 256;

struct Counts {
    int boxes = 0;
    int errorBoxes = 0;
    int conversionErrors = 0;
    int sounds = 0;
};

// What the messages since the window was made could bring at most: every end
// byte may end a message that names a word found or a spy.
struct Arrivals {
    qsizetype messages = 0;
};

struct Window {
    std::unique_ptr<Tchat> chat;
    QListWidget* spies = nullptr; // the spy list window's list
    QTextEdit* words = nullptr;   // the board's words guessed
    int inputs = 0;
    bool closed = false;
    Arrivals arrivals;
};

Counts g_counts;
Window g_window;

// The words nobody found come from the copy's own dictionary: a few words of
// the prefixes the seeds play, in 15-byte records as the word list keeps them.
std::shared_ptr<const TDictn> smallDictionary() {
    static const std::shared_ptr<const TDictn> dictionary = [] {
        const char* const words[] = {"ABLE",  "ACE",   "ACORN", "ACT",   "BRAKE", "BREAD",
                                     "BRICK", "BRING", "BRISK", "QUIET", "QUIT",  "ZEBRA"};
        std::string records;
        for (const char* w : words) {
            std::string record(15, ' ');
            record[0] = '\x1e';
            record.replace(1, std::strlen(w), w);
            records += record;
        }
        const std::string dir = fuzzing::scratchPath("dictionary");
        std::filesystem::create_directories(dir);
        return std::make_shared<const TDictn>(
            dir, [records] { return std::optional<std::string>(records); });
    }();
    return dictionary;
}

// A main window as the program makes it, minus the network: its sockets are
// never opened and Timer1 is driven by hand. Message boxes are answered at
// once. The settings file a closed window wrote is removed first, so every
// window starts from the same file (none).
void makeWindow() {
    static const std::string path = fuzzing::scratchPath("vorlix.ini");
    g_window = Window{};
    std::remove(path.c_str());
    auto chat = std::make_unique<Tchat>(QString::fromStdString(path), QStringList{});
    chat->timer1()->stop();
    chat->messageBoxHook = [](const QString&) { ++g_counts.boxes; };
    chat->sounds()->recorder = [](const QString&) { ++g_counts.sounds; };
    QObject::connect(chat.get(), &Tchat::closed, [] { g_window.closed = true; });
    ProgramWindows windows;
    windows.spylist = new Tspylist(chat.get());
    windows.dictionary = smallDictionary();
    chat->attachWindows(windows);
    g_window.spies = windows.spylist->findChild<QListWidget*>(QStringLiteral("listbox_spys"));
    g_window.words = chat->board()->findChild<QTextEdit*>(QStringLiteral("memo_wordlist"));
    g_window.chat = std::move(chat);
}

class Session {
public:
    explicit Session(Window& window)
        : m_window(*window.chat), m_spies(*window.spies), m_words(*window.words),
          m_arrivals(window.arrivals) {}

    void run(fuzzing::Input& in) {
        for (int step = 0; step < kMaxOps && in.left() > 0; ++step) {
            perform(in);
            check();
        }
        // The connection's last bytes end, and whatever is queued is handled,
        // so nothing of this input is left for the next.
        receive(QByteArray(1, wire::kTerminator));
        drain();
        check();
    }

private:
    void receive(const QByteArray& bytes) {
        m_arrivals.messages += bytes.count(wire::kTerminator);
        m_window.receiveBytes(bytes);
    }

    void tick() {
        try {
            m_window.Timer1Timer();
        } catch (const wire::EConvertError&) {
            ++g_counts.conversionErrors;
        }
    }

    void drain() {
        for (int i = 0; i < kMaxDrainTicks && m_window.queuedMessages() > 0; ++i)
            tick();
    }

    void perform(fuzzing::Input& in) {
        const uint8_t op = in.byte();
        if (op == kSocketClosed) {
            m_window.sockInfo(
                nullptr, {TSocketInfo::Close, TSockEvent::Closed, QStringLiteral("Socket Closed")});
            return;
        }
        if (op == kSocketError) {
            m_window.sockInfo(nullptr, {TSocketInfo::Error, TSockEvent::SystemError,
                                        QStringLiteral("Error #10054 (WSAECONNRESET)"), 10054});
            return;
        }
        switch (Op(op % kOps)) {
        case Bytes: {
            std::size_t length = in.byte();
            if (length >= 0xF0)
                length = (length - 0xF0) << 8 | in.byte();
            const std::string_view bytes = in.take(length);
            receive(QByteArray(bytes.data(), qsizetype(bytes.size())));
            break;
        }
        case Tick:
            for (int i = in.byte() % 8; i >= 0; --i)
                tick();
            break;
        case Drain:
            drain();
            break;
        case TurnClock:
            for (int i = in.byte() % 16; i >= 0; --i)
                m_window.model().turntimeTimer();
            break;
        case Fill: {
            const int count = in.byte();
            receive(QByteArray(count * 64, char(in.byte())));
            break;
        }
        case kOps:
            break;
        }
    }

    void check() const {
        static const QRegularExpression clock(QStringLiteral("^Time: \\d+:\\d\\d$"));
        const GameModel& model = m_window.model();
        for (int n = 1; n <= GameModel::kSeats; ++n) {
            const QLabel* label = m_window.board()->playerNameLabel(n);
            FUZZ_CHECK(label != nullptr);
            // The label may cut a long name short, never show another one.
            const QString shown = label->text();
            const QString name = model.seat(n).name;
            FUZZ_CHECK(shown == name ||
                       (shown.endsWith(QChar(0x2026)) && name.startsWith(shown.chopped(1))));
        }
        FUZZ_CHECK(m_window.board()->playerNameLabel(0) == nullptr);
        FUZZ_CHECK(m_window.board()->playerNameLabel(GameModel::kSeats + 1) == nullptr);
        FUZZ_CHECK(clock.match(model.clockText()).hasMatch());
        FUZZ_CHECK(model.barWidth() >= 0 && model.barWidth() <= 298);
        FUZZ_CHECK(model.words().size() <= m_arrivals.messages);
        // The words guessed pane: a line for each word, and under the words
        // nobody found a rule and a heading (the document's first, empty line
        // is the first word's).
        FUZZ_CHECK(
            m_words.document()->blockCount() <=
            std::max<qsizetype>(1, model.words().size()) +
                (model.missedWordsShown().isEmpty() ? 0 : model.missedWordsShown().size() + 2));
        FUZZ_CHECK(model.spies().size() <= m_arrivals.messages);
        // The spy list window lists the model's spies, one entry each.
        FUZZ_CHECK(m_spies.count() == model.spies().size());
        FUZZ_CHECK(model.missedWordsShown().size() <= GameModel::kMissedWords);
        FUZZ_CHECK(m_window.queuedMessages() <= Tchat::kMaxQueuedMessages);
    }

    Tchat& m_window;
    const QListWidget& m_spies;
    const QTextEdit& m_words;
    Arrivals& m_arrivals;
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::startApplication<VorlixApplication>(argc, argv);
    // The error box must never block; the target catches what would reach it.
    VorlixApplication::errorBox() = [](const QString&) { ++g_counts.errorBoxes; };
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (!g_window.chat || g_window.closed || g_window.inputs == kInputsPerWindow)
        makeWindow();
    fuzzing::endAtExit(g_window);
    ++g_window.inputs;
    g_window.chat->chat()->ClearMainChat1Click();
    fuzzing::Input in(data, size);
    Session(g_window).run(in);
    // What the widgets posted for themselves (layouts, deferred deletions) is
    // delivered as the event loop would; the timers are not run.
    QCoreApplication::sendPostedEvents();
    return 0;
}
