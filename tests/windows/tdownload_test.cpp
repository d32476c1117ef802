// SPDX-License-Identifier: GPL-3.0-or-later
#include "httpcli.h"
#include "tdownload.h"

#include <QBuffer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// A one-page web server on loopback, on a free port: answers every request
// with `response`, then closes unless told to keep the connection open.
class PageServer : public QObject {
public:
    QByteArray response;
    bool keepOpen = false;
    QByteArray lastRequest;
    int closedByClient = 0;

    bool start() {
        QObject::connect(&server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* peer = server.nextPendingConnection();
            QObject::connect(peer, &QTcpSocket::readyRead, this, [this, peer] {
                lastRequest += peer->readAll();
                if (!lastRequest.contains("\r\n\r\n"))
                    return;
                peer->write(response);
                if (!keepOpen)
                    peer->disconnectFromHost();
            });
            QObject::connect(peer, &QTcpSocket::errorOccurred, this,
                             [this](QAbstractSocket::SocketError error) {
                                 if (error == QAbstractSocket::RemoteHostClosedError)
                                     ++closedByClient;
                             });
        });
        return server.listen(QHostAddress::LocalHost, 0);
    }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path);
    }

private:
    QTcpServer server;
};

// The one outcome of a get, as the client tells it.
struct Outcome {
    explicit Outcome(THttpCli* client)
        : finished(client, &THttpCli::finished), failed(client, &THttpCli::failed) {}
    // Waits until the get has ended; the time limit only bounds a broken run.
    bool wait() {
        return QTest::qWaitFor([this] { return finished.count() + failed.count() > 0; }, 20000);
    }
    QSignalSpy finished;
    QSignalSpy failed;
};

class LobbyDownload : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(page.start());
        window.setOffersDownload(true);
        window.downloadDir = folder.path();
        window.HttpCli1->URL = page.url(QStringLiteral("/lobby/LobbySetup.exe"));
        window.showMessage = [this](const QString& m) { messages << m; };
        window.startProgram = [this](const QString& p, const QStringList& args) {
            started << p;
            parameters = args;
            return startWorks;
        };
        window.exitProgram = [this] { ++exits; };
    }

    QString label(const char* name) {
        return window.findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    QPushButton* button(const char* name) {
        return window.findChild<QPushButton*>(QString::fromLatin1(name));
    }
    QString saved() const { return folder.filePath(QStringLiteral("LobbySetup.exe")); }
    // Presses the download button; the press returns at once, the transfer
    // goes on in the event loop until its outcome.
    void download() {
        Outcome outcome(window.HttpCli1);
        button("getbutton")->click();
        ASSERT_TRUE(outcome.wait());
    }

    QTemporaryDir folder;
    PageServer page;
    Tdownload window{nullptr};
    QStringList messages, started, parameters;
    bool startWorks = true;
    int exits = 0;
};

QByteArray okPage(const QByteArray& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

} // namespace

TEST_F(LobbyDownload, CompleteDownloadIsSavedStartedAndTheGameEnds) {
    QByteArray body(1234, '\0');
    for (int i = 0; i < body.size(); ++i)
        body[i] = char(i * 7);
    page.response = okPage(body);
    QFile old(saved());
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x')); // an older installer is replaced
    old.close();

    download();

    EXPECT_TRUE(page.lastRequest.startsWith("GET /lobby/LobbySetup.exe HTTP/1."));
    EXPECT_TRUE(page.lastRequest.contains("User-Agent: Mozilla/3.0 (compatible)"));
    EXPECT_EQ(label("infolabel"), QStringLiteral("Received 1234 bytes"));
    EXPECT_EQ(label("infolabel2"), QStringLiteral("LobbySetup.exe"));
    EXPECT_EQ(label("infolabel3"), QStringLiteral("Installing"));
    QFile result(saved());
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll(), body);
    EXPECT_EQ(started, QStringList{saved()});
    EXPECT_EQ(parameters, QStringList{"/S"});
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(window.downloadState(), Tdownload::DownloadState::Received);
    EXPECT_EQ(window.installerName(), QStringLiteral("LobbySetup.exe"));
    EXPECT_TRUE(button("getbutton")->isEnabled());
    EXPECT_FALSE(button("abortbutton")->isEnabled());
}

TEST_F(LobbyDownload, InstallerThatCannotStartIsReported) {
    page.response = okPage("tiny");
    startWorks = false;
    download();
    EXPECT_EQ(label("infolabel"), QStringLiteral("Received 4 bytes"));
    EXPECT_EQ(messages, QStringList{QStringLiteral("An Error has Occurred.")});
    EXPECT_EQ(exits, 0);
}

TEST_F(LobbyDownload, RefusedRequestIsAbortedAndNothingStarts) {
    page.response = "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nNot here!";
    download();
    EXPECT_EQ(label("infolabel"), QStringLiteral("Download Aborted"));
    EXPECT_EQ(window.downloadState(), Tdownload::DownloadState::Failed);
    EXPECT_FALSE(QFile::exists(saved()));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE(button("getbutton")->isEnabled());
}

TEST_F(LobbyDownload, CutShortTransferIsNeverStartedNorKept) {
    page.response = "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + QByteArray(100, 'a');
    download();
    EXPECT_EQ(label("infolabel"), QStringLiteral("Download Aborted"));
    EXPECT_EQ(window.downloadState(), Tdownload::DownloadState::Failed);
    EXPECT_TRUE(started.isEmpty());
    EXPECT_FALSE(QFile::exists(saved()));
}

TEST_F(LobbyDownload, StopDuringATransferAbortsItAndAllowsANewOne) {
    page.response = "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + QByteArray(100, 'a');
    page.keepOpen = true;
    // Press "Stop Download" once the first body bytes have arrived.
    QSignalSpy progress(window.HttpCli1, &THttpCli::progress);
    Outcome outcome(window.HttpCli1);
    button("getbutton")->click();
    EXPECT_EQ(window.downloadState(), Tdownload::DownloadState::Running);
    ASSERT_TRUE(progress.wait(20000));
    EXPECT_EQ(label("infolabel"), QStringLiteral("100 bytes"));
    EXPECT_EQ(label("infolabel3"), QStringLiteral("Downloading: LobbySetup.exe"));
    EXPECT_FALSE(button("getbutton")->isEnabled());
    EXPECT_TRUE(QFile::exists(saved()));
    button("abortbutton")->click();
    // Stopped at once, never finished.
    EXPECT_EQ(outcome.failed.count(), 1);
    EXPECT_EQ(label("infolabel"), QStringLiteral("Download Aborted"));
    EXPECT_EQ(label("infolabel3"), QStringLiteral("Download Aborted"));
    EXPECT_EQ(window.downloadState(), Tdownload::DownloadState::Failed);
    EXPECT_TRUE(started.isEmpty());
    EXPECT_FALSE(QFile::exists(saved()));
    EXPECT_TRUE(button("getbutton")->isEnabled());

    page.keepOpen = false;
    page.lastRequest.clear();
    page.response = okPage("complete");
    download();
    EXPECT_EQ(outcome.finished.count(), 1);
    EXPECT_EQ(outcome.failed.count(), 1);
    EXPECT_EQ(label("infolabel"), QStringLiteral("Received 8 bytes"));
    EXPECT_EQ(started.size(), 1);
}

TEST_F(LobbyDownload, QuittingDuringADownloadLeavesNothing) {
    page.response = "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + QByteArray(100, 'a');
    page.keepOpen = true;
    // The download window of a main window that is about to go.
    auto* mainWindow = new QWidget;
    auto* doomed = new Tdownload(mainWindow);
    doomed->setOffersDownload(true);
    doomed->downloadDir = folder.path();
    doomed->HttpCli1->URL = window.HttpCli1->URL;
    doomed->startProgram = [this](const QString& p, const QStringList&) {
        started << p;
        return true;
    };
    QSignalSpy progress(doomed->HttpCli1, &THttpCli::progress);
    doomed->findChild<QPushButton*>(QStringLiteral("getbutton"))->click();
    ASSERT_TRUE(progress.wait(20000));
    ASSERT_TRUE(QFile::exists(saved()));
    // The program ends: the main window takes its children with it.
    delete mainWindow;
    EXPECT_FALSE(QFile::exists(saved()));
    // The connection is let go, and nothing more happens once the events
    // still queued have run.
    ASSERT_TRUE(QTest::qWaitFor([this] { return page.closedByClient == 1; }, 20000));
    EXPECT_TRUE(started.isEmpty());
}

TEST_F(LobbyDownload, HeaderLinesShowAsDots) {
    page.response = okPage("abc");
    QStringList seen;
    QObject::connect(window.HttpCli1, &THttpCli::docBegin,
                     [this, &seen] { seen << label("infolabel"); });
    download();
    ASSERT_EQ(seen.size(), 1);
    // "Loading" and one dot per header line (status line, two headers).
    EXPECT_EQ(seen[0], QStringLiteral("Loading..."));
}

namespace {

// A destination that takes nothing, like a file on a full disk.
class RefusingDevice : public QIODevice {
protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64) override { return -1; }
};

} // namespace

TEST(LobbyDownloadStorage, BodyThatCannotBeStoredFailsTheGet) {
    PageServer page;
    page.response = okPage(QByteArray(3000, 'z'));
    ASSERT_TRUE(page.start());
    THttpCli client;
    client.URL = page.url(QStringLiteral("/lobby/LobbySetup.exe"));
    RefusingDevice refusing;
    ASSERT_TRUE(refusing.open(QIODevice::WriteOnly));
    client.RcvdStream = &refusing;
    Outcome outcome(&client);
    ASSERT_TRUE(client.Get());
    ASSERT_TRUE(outcome.wait());
    EXPECT_EQ(outcome.failed.count(), 1);
    EXPECT_EQ(outcome.finished.count(), 0);
    EXPECT_EQ(client.RcvdCount, 0);
    EXPECT_FALSE(client.busy());
}

// The client alone: what it hands on is the whole document or nothing.
TEST(HttpClient, ATransferCutShortFailsAndAWholeOneHandsOnItsExactBytes) {
    PageServer page;
    ASSERT_TRUE(page.start());
    THttpCli client;
    client.URL = page.url(QStringLiteral("/lobby/LobbySetup.exe"));
    QBuffer body;
    ASSERT_TRUE(body.open(QIODevice::WriteOnly));
    client.RcvdStream = &body;

    // Content-Length 1000, and the connection closed after 999 bytes.
    page.response = "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + QByteArray(999, 'c');
    Outcome cut(&client);
    ASSERT_TRUE(client.Get());
    EXPECT_FALSE(client.Get()); // one at a time
    ASSERT_TRUE(cut.wait());
    EXPECT_EQ(cut.finished.count(), 0);
    ASSERT_EQ(cut.failed.count(), 1);
    EXPECT_FALSE(cut.failed.at(0).at(0).toString().isEmpty());
    EXPECT_FALSE(client.busy());

    QByteArray whole(1000, '\0');
    for (int i = 0; i < whole.size(); ++i)
        whole[i] = char(i * 13 + 1);
    body.buffer().clear();
    body.seek(0);
    page.lastRequest.clear();
    page.response = okPage(whole);
    Outcome complete(&client);
    ASSERT_TRUE(client.Get());
    ASSERT_TRUE(complete.wait());
    EXPECT_EQ(complete.failed.count(), 0);
    ASSERT_EQ(complete.finished.count(), 1);
    EXPECT_EQ(complete.finished.at(0).at(0).toLongLong(), 1000);
    EXPECT_EQ(body.data(), whole);
}

TEST(LobbyDownloadStorage, InstallerOnAFullDiskIsNeverStarted) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no device that stands in for a full disk (/dev/full)";
#endif
    ASSERT_TRUE(QFile::exists(QStringLiteral("/dev/full")));
    PageServer page;
    ASSERT_TRUE(page.start());
    Tdownload window{nullptr};
    QStringList started;
    window.startProgram = [&started](const QString& p, const QStringList&) {
        started << p;
        return true;
    };
    window.showMessage = [](const QString&) {};
    window.setOffersDownload(true);
    int exits = 0;
    window.exitProgram = [&exits] { ++exits; };
    // Writes to /dev/full always fail with "no space left on device".
    window.downloadDir = QStringLiteral("/dev");
    window.HttpCli1->URL = page.url(QStringLiteral("/lobby/full"));
    auto* infolabel = window.findChild<QLabel*>(QStringLiteral("infolabel"));
    auto* getbutton = window.findChild<QPushButton*>(QStringLiteral("getbutton"));
    // A small body stays in the file's buffer until the flush; a large one
    // fails while it is written.
    for (const int size : {10, 200000}) {
        page.lastRequest.clear();
        page.response = okPage(QByteArray(size, 'i'));
        Outcome outcome(window.HttpCli1);
        getbutton->click();
        ASSERT_TRUE(outcome.wait()) << size;
        EXPECT_EQ(infolabel->text(), QStringLiteral("Download Aborted")) << size;
        EXPECT_EQ(window.downloadState(), Tdownload::DownloadState::Failed) << size;
        EXPECT_TRUE(getbutton->isEnabled()) << size;
    }
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(exits, 0);
}
