// SPDX-License-Identifier: GPL-3.0-or-later
#include "httpcli.h"
#include "tdownload.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

constexpr quint16 kPort = 20110;

// A one-page web server on loopback: answers every request with `response`,
// then closes unless told to keep the connection open.
class PageServer : public QObject {
public:
    QByteArray response;
    bool keepOpen = false;
    QByteArray lastRequest;

    bool start(quint16 port = kPort) {
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
        });
        return server.listen(QHostAddress::LocalHost, port);
    }

private:
    QTcpServer server;
};

class LobbyDownload : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(page.start());
        window.setOffersDownload(true);
        window.downloadDir = folder.path();
        window.HttpCli1->URL =
            QStringLiteral("http://127.0.0.1:%1/lobby/LobbySetup.exe").arg(kPort);
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

    button("getbutton")->click();

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
    EXPECT_TRUE(button("getbutton")->isEnabled());
    EXPECT_FALSE(button("abortbutton")->isEnabled());
}

TEST_F(LobbyDownload, InstallerThatCannotStartIsReported) {
    page.response = okPage("tiny");
    startWorks = false;
    button("getbutton")->click();
    EXPECT_EQ(label("infolabel"), QStringLiteral("Received 4 bytes"));
    EXPECT_EQ(messages, QStringList{QStringLiteral("An Error has Occurred.")});
    EXPECT_EQ(exits, 0);
}

TEST_F(LobbyDownload, RefusedRequestIsAbortedAndNothingStarts) {
    page.response = "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nNot here!";
    button("getbutton")->click();
    EXPECT_EQ(label("infolabel"), QStringLiteral("Download Aborted"));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("infolabel"))->property("Tag"), 2);
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(exits, 0);
    EXPECT_TRUE(button("getbutton")->isEnabled());
}

TEST_F(LobbyDownload, CutShortTransferIsNeverStarted) {
    page.response = "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + QByteArray(100, 'a');
    button("getbutton")->click();
    EXPECT_EQ(label("infolabel"), QStringLiteral("Download Aborted"));
    EXPECT_TRUE(started.isEmpty());
}

TEST_F(LobbyDownload, StopDuringATransferAbortsItAndAllowsANewOne) {
    page.response = "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + QByteArray(100, 'a');
    page.keepOpen = true;
    // Press "Stop Download" as soon as the first body bytes have arrived.
    QTimer watch;
    watch.setInterval(0);
    QObject::connect(&watch, &QTimer::timeout, [this, &watch] {
        if (window.HttpCli1->RcvdCount > 0) {
            EXPECT_EQ(label("infolabel"), QStringLiteral("100 bytes"));
            EXPECT_EQ(label("infolabel3"), QStringLiteral("Downloading: LobbySetup.exe"));
            EXPECT_FALSE(button("getbutton")->isEnabled());
            button("abortbutton")->click();
            watch.stop();
        }
    });
    watch.start();
    button("getbutton")->click();
    EXPECT_EQ(label("infolabel"), QStringLiteral("Download Aborted"));
    EXPECT_EQ(label("infolabel3"), QStringLiteral("Download Aborted"));
    EXPECT_TRUE(started.isEmpty());
    EXPECT_TRUE(button("getbutton")->isEnabled());

    page.keepOpen = false;
    page.lastRequest.clear();
    page.response = okPage("complete");
    button("getbutton")->click();
    EXPECT_EQ(label("infolabel"), QStringLiteral("Received 8 bytes"));
    EXPECT_EQ(started.size(), 1);
}

TEST_F(LobbyDownload, HeaderLinesShowAsDots) {
    page.response = okPage("abc");
    QStringList seen;
    window.HttpCli1->OnDocBegin = [this, &seen] { seen << label("infolabel"); };
    button("getbutton")->click();
    ASSERT_EQ(seen.size(), 1);
    // "Loading" and one dot per header line (status line, two headers).
    EXPECT_EQ(seen[0], QStringLiteral("Loading..."));
}

namespace {

constexpr quint16 kStoragePort = 21010;

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
    ASSERT_TRUE(page.start(kStoragePort));
    THttpCli client;
    client.URL = QStringLiteral("http://127.0.0.1:%1/lobby/LobbySetup.exe").arg(kStoragePort);
    RefusingDevice refusing;
    ASSERT_TRUE(refusing.open(QIODevice::WriteOnly));
    client.RcvdStream = &refusing;
    EXPECT_THROW(client.Get(), EHttpException);
    EXPECT_EQ(client.RcvdCount, 0);
    EXPECT_FALSE(client.busy());
}

TEST(LobbyDownloadStorage, InstallerOnAFullDiskIsNeverStarted) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no device that stands in for a full disk (/dev/full)";
#endif
    ASSERT_TRUE(QFile::exists(QStringLiteral("/dev/full")));
    PageServer page;
    ASSERT_TRUE(page.start(kStoragePort + 1));
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
    window.HttpCli1->URL = QStringLiteral("http://127.0.0.1:%1/lobby/full").arg(kStoragePort + 1);
    auto* infolabel = window.findChild<QLabel*>(QStringLiteral("infolabel"));
    auto* getbutton = window.findChild<QPushButton*>(QStringLiteral("getbutton"));
    // A small body stays in the file's buffer until the flush; a large one
    // fails while it is written.
    for (const int size : {10, 200000}) {
        page.lastRequest.clear();
        page.response = okPage(QByteArray(size, 'i'));
        getbutton->click();
        EXPECT_EQ(infolabel->text(), QStringLiteral("Download Aborted")) << size;
        EXPECT_EQ(infolabel->property("Tag"), 2) << size;
        EXPECT_TRUE(getbutton->isEnabled()) << size;
    }
    EXPECT_TRUE(started.isEmpty());
    EXPECT_EQ(exits, 0);
}
