// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TSock: the program's one network component. Each instance wraps at most one
// IPv4 socket in one of three roles: a client connection it opens itself, a
// listener, or a connection handed out by a listener. Readiness arrives through
// QSocketNotifiers on the event-loop thread and is turned into the events below,
// in the same order for every role. Every step is also reported as a kind and a
// fixed English text through OnInfo, for people (the chat pane, a log); owners
// that act on a report take it through OnReport, as a typed event.
//
// The component moves bytes only: it never frames, splits or decodes them.
//
// What owners may rely on, for a notification-driven stream connection:
// - Open reports "Lookup Of Port ..." then "Lookup Of Host ..." and returns false;
//   later "Non-Blocking Socket Connected", OnConnect, then one write-ready event
//   ("Non-Blocking Outgoing Data", OnWrite) that sends what Send queued meanwhile.
// - A read reports "Non-Blocking Incoming Data", then OnRead with the total count
//   buffered. The peer's orderly close gives OnDisconnect, then "Socket Closed".
// - A refused connect, a reset or another failure gives only the report
//   "Error #<number> (<name>)": no event, no close, and no further events; the
//   instance keeps its socket (and stays connecting or connected) until Close.
// - Close always reports "Socket Closed" unless listening, even without a socket,
//   and drops bytes still queued for sending; received bytes stay receivable.
// - An owner may delete the instance (or reassign its handlers) from inside any
//   of its handlers. Deleting a connected or listening instance calls Close.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

class QSocketNotifier;
class TSockStream;

enum class TSocketType { stStream, stDatagram };
enum class TLineBreak { lbCRLF, lbCR, lbLF, lbSmart };
enum class TSocketInfo { Lookup, Connect, Close, Listen, Receive, Send, Accept, Error };

// Display names of the report kinds: "Lookup", "Connect", ..., "Error".
QString socketInfoName(TSocketInfo kind);

// What a report says happened, for owners that act on it; its text is fixed
// by the event (and, for SystemError, the error number).
enum class TSockEvent {
    HostLookup,       // "Lookup Of Host <name>"
    PortLookup,       // "Lookup Of Port <name>"
    ChangeIgnored,    // "Setting HostName (PortName) While Connected Has No Effect"
    Connected,        // "Non-Blocking (Blocking, Datagram) Socket Connected"
    CannotConnect,    // "Blocking Socket Can't Connect" (then closed)
    Closed,           // "Socket Closed"
    PeerClosed,       // "Socket Disconnected On Receive" (blocking)
    ListeningStarted, // "Listening Started"
    ListeningStopped, // "Listening Stopped"
    AlreadyListening, // "Listening Already Running"
    AcceptWaiting,    // "Blocking Accept"
    Accepted,         // "Created New TSock Structure"
    AcceptFailed,     // "Could Not Accept Connection"
    DataIn,           // "Non-Blocking (Blocking) Incoming Data"
    DataOut,          // "Non-Blocking (Blocking) Outgoing Data"
    SystemError,      // "Error #<number> (<name>)": the connection is dead
    SendFailed,       // "Socket Error On Send" (blocking)
    ReceiveFailed,    // "Socket Error On Receive" (blocking)
};

struct TSockReport {
    TSocketInfo kind;
    TSockEvent event;
    QString text;
    int error = 0; // the Windows Sockets number of a SystemError
};

// Raised by every refused operation; carries only its message text.
class ESockException : public std::runtime_error {
public:
    explicit ESockException(const std::string& msg) : std::runtime_error(msg) {}
};

// Raised when a port name that begins with a digit is not a whole number
// ("'12x' is not a valid integer value").
class ESockConvertError : public std::runtime_error {
public:
    explicit ESockConvertError(const std::string& msg) : std::runtime_error(msg) {}
};

class TSock : public QObject {
    Q_OBJECT
public:
    using NotifyEvent = std::function<void(TSock* sender)>;
    using NotifyReadEvent = std::function<void(TSock* sender, int count)>;
    using NotifyAutoEvent = std::function<void(TSock* sender, TSock* newSock)>;
    using NotifyInfoEvent =
        std::function<void(TSock* sender, TSocketInfo info, const QString& msg)>;
    using NotifyReportEvent = std::function<void(TSock* sender, const TSockReport& report)>;

    explicit TSock(QObject* owner = nullptr);
    ~TSock() override;

    // Properties. Setters apply the component's rules (reports, refusals).
    TSocketType SocketType() const { return m_socketType; }
    void setSocketType(TSocketType type);
    QString HostName() const { return m_hostName; }
    void setHostName(const QString& name);
    QString PortName() const { return m_portName; }
    void setPortName(const QString& name);
    bool Blocking() const { return m_blocking; }
    void setBlocking(bool blocking);
    bool AutoAccept() const { return m_autoAccept; }
    void setAutoAccept(bool value) { m_autoAccept = value; }
    bool Listen() const { return m_listen; }
    void setListen(bool value);
    // The local address a listener binds, dotted: empty (the default) for
    // every interface; "127.0.0.1" for a server only this machine may reach.
    // An address that is not one makes Listen fail like a port in use.
    QString BindAddress() const { return m_bindAddress; }
    void setBindAddress(const QString& address) { m_bindAddress = address; }
    TLineBreak LineBreak() const { return m_lineBreak; }
    void setLineBreak(TLineBreak lb) { m_lineBreak = lb; }
    int BlockingTimeout() const { return m_blockingTimeout; }
    void setBlockingTimeout(int seconds) { m_blockingTimeout = seconds; }
    // A notification-driven connect that has not completed this many
    // milliseconds after Open fails as the system's own timeout would: the
    // report "Error #10060 (WSAETIMEDOUT)", then nothing more. 0 (the
    // default) leaves it to the system, which may take minutes when the peer
    // drops what is sent to it.
    int ConnectTimeout() const { return m_connectTimeoutMs; }
    void setConnectTimeout(int ms) { m_connectTimeoutMs = ms; }

    // An integer of the caller's choice (the server keeps the slot number here).
    int Tag = 0;

    // Events; any may be left empty.
    NotifyEvent OnConnect;
    NotifyEvent OnDisconnect;
    NotifyInfoEvent OnInfo;
    // The same reports, typed; called before OnInfo when both are set.
    NotifyReportEvent OnReport;
    NotifyReadEvent OnRead;
    NotifyEvent OnWrite;
    NotifyEvent OnAccept;
    NotifyAutoEvent OnAutoAccept;

    // Operations.
    bool Open();                        // the connected flag after the attempt
    bool Close();                       // never raises
    bool Send(const QByteArray& text);  // always true when it returns
    QByteArray Receive(int count = -1); // -1: everything buffered
    bool Accept(TSock*& newSock);       // new instance is owned by this listener
    bool SendDatagram(const QByteArray& text, const QString& host);
    void ReceiveDatagram(QString& host, QByteArray& data);

    bool connected() const { return m_connected; }
    bool hasSocket() const { return m_fd != -1; }
    // The system's handle (a file descriptor, or a Windows SOCKET), -1
    // without a socket; for reading its options.
    std::intptr_t handle() const { return m_fd; }

    // Marks this instance as a game connection: its socket, now and whenever
    // Open makes one, gets the options of gameconnection.h (no delay,
    // keepalive, a bound on unacknowledged data). Owners call it on the
    // player's connection and on each connection a game listener accepts.
    void setGameConnection();
    bool isGameConnection() const { return m_gameConnection; }
    // Bytes waiting in the outgoing and incoming buffers. The server uses these
    // to notice a peer that stops reading or floods it.
    qsizetype pendingOutgoing() const { return m_outgoing.size(); }
    qsizetype pendingIncoming() const { return m_incoming.size(); }

    TSockStream* stream() const { return m_stream; }

    // Windows Sockets name of an error number, "UNKNOWN ERROR" for any other.
    static QString errorName(int wsaError);
    // Why the last Listen could not have its port, as a Windows Sockets
    // number: 10048 (WSAEADDRINUSE) when another program has it, 10013
    // (WSAEACCES) when this user may not listen on it; 0 when it listened, or
    // failed for another reason than the port.
    int ListenError() const { return m_listenError; }
    // That reason for a person, naming the port: "Port 7772 is already in
    // use ...", "Port 80 is not permitted ...", or the error's number and name.
    static QString listenProblem(const QString& port, int wsaError);

    // The process-wide name service used by host look-up. Tests replace it to
    // count how often names are resolved; nullptr restores getaddrinfo.
    using HostResolver = std::function<std::optional<std::uint32_t>(const QString& name)>;
    static void setHostResolver(HostResolver resolver);
    static void clearHostCache();

    // Process start-up and clean-up of the socket layer: the system's socket
    // library (Windows Sockets; nothing on POSIX), and clean-up discards the
    // host-name cache.
    static void startup();
    static void cleanup();

    // The local port of the socket in host order (0 without a socket); lets a
    // listener opened on port "0" tell which port the system gave it.
    std::uint16_t localPort() const;
    // The address of the last caller taken by Accept (or datagram sender), dotted.
    QString peerAddress() const;

private:
    struct AcceptTag {};
    TSock(TSock* listener, std::intptr_t fd, AcceptTag);

    // Reports through OnReport and OnInfo; a handler that throws becomes
    // ESockException "Error here".
    void info(TSocketInfo kind, TSockEvent event, const QString& text, int error = 0);
    void reportError(int wsaError);
    void registerNotifications(bool listening);
    void updateNotifiers();
    void destroyNotifiers();
    void releaseSocket();
    void onReadable();
    void onWritable();
    void onAcceptReady();
    void onConnectReady();
    void connectTimedOut(quint64 attempt);
    void flushOnce();
    std::uint32_t lookupHost(const QString& name);
    std::uint16_t lookupPort(const QString& name);

    // Paths for blocking and datagram sockets.
    bool openBlocking();
    bool openDatagram();
    bool reportOpened(const QString& text);
    void sendBlocking();
    QByteArray receiveBlocking(int count);
    bool waitReadable();
    void autoAccept();
    // Accepts the waiting caller as a new instance owned by this listener;
    // nullptr when none was waiting. Re-arms the accept event either way.
    TSock* takeCaller();

    TSocketType m_socketType = TSocketType::stStream;
    QString m_hostName;
    QString m_portName;
    QString m_bindAddress;
    bool m_blocking = false;
    bool m_autoAccept = false;
    bool m_listen = false;
    TLineBreak m_lineBreak = TLineBreak::lbSmart;
    int m_blockingTimeout = 0;
    int m_connectTimeoutMs = 0;
    int m_listenError = 0;
    quint64 m_connectAttempt = 0; // counts Open's connects; a late timeout finds it moved on

    std::intptr_t m_fd = -1; // a sysock::Handle
    bool m_connected = false;
    bool m_connecting = false;
    // Readiness handling, kept so that a level-triggered notifier is enabled only
    // while something will clear its condition (see updateNotifiers).
    bool m_notifying = false;      // notification-driven (not a blocking connection)
    bool m_failed = false;         // an error was reported; no further events
    bool m_writeEventDue = false;  // the one write-ready event after connect or accept
    bool m_sendDead = false;       // the connection refuses data; stop waiting to send
    bool m_acceptArmed = false;    // listener: re-armed by Accept
    bool m_readArmed = false;      // datagram: re-armed by ReceiveDatagram
    bool m_eof = false;            // the peer's close is being handled
    bool m_gameConnection = false; // see setGameConnection
    int m_pendingError = 0;        // an error our own send took from the socket
    std::uint32_t m_ownAddr = 0;   // network order
    std::uint16_t m_ownPort = 0;   // network order
    std::uint32_t m_peerAddr = 0;  // network order
    std::uint16_t m_peerPort = 0;  // network order
    QByteArray m_incoming;
    QByteArray m_outgoing;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    TSockStream* m_stream = nullptr;
    std::array<char, 32768> m_area{}; // receive area: one read step at most
};
