// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window joined to a raw protocol peer over a real loopback connection.
// Timer1 is stopped: the tests call its tick handler themselves.

#include "apptestsupport.h"
#include "boardpanel.h"
#include "soundplayer.h"
#include "tchat.h"
#include "tphrases.h"
#include "tspylist.h"
#include "vorlixapplication.h"

#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

class TchatFixture : public ::testing::Test {
protected:
    TchatFixture() {
        VorlixApplication::errorBox() = [this](const QString& text) { errors << text; };
    }
    ~TchatFixture() override { VorlixApplication::errorBox() = nullptr; }

    // Starts a window that joins the peer listening on `port`.
    void startJoined(quint16 port) {
        ASSERT_TRUE(peer.listen(port));
        makeWindow(
            {QStringLiteral("Tester"), QStringLiteral("127.0.0.1"), QStringLiteral("false")});
        chat->setPort(QString::number(port));
        // Showing the window runs processparams, as at start-up.
        chat->show();
        ASSERT_TRUE(chat->startupError().isEmpty());
        ASSERT_TRUE(peer.waitForClient());
    }

    void makeWindow(const QStringList& parameters) {
        chat =
            std::make_unique<Tchat>(dir.filePath(QStringLiteral("kestrunlobby.ini")), parameters);
        chat->timer1()->stop();
        // Nothing listens on the lobby port in these tests.
        chat->setLobbyPort(QStringLiteral("19499"));
        chat->messageBoxHook = [this](const QString& text) { boxes << text; };
        chat->sounds()->recorder = [this](const QString& name) { sounds << name; };
        spies = new Tspylist(chat.get());
        phrases = new Tphrases(chat.get());
        ProgramWindows windows;
        windows.spylist = spies;
        windows.phrases = phrases;
        chat->attachWindows(windows);
    }

    // Sends bytes from the peer and waits until their messages are queued.
    void deliver(const QByteArray& bytes) {
        const qsizetype expected = chat->queuedMessages() + bytes.count('\xFF');
        peer.send(bytes);
        ASSERT_TRUE(spinUntil([&] { return chat->queuedMessages() >= expected; }));
    }

    void tick(int times = 1) {
        for (int i = 0; i < times; ++i)
            chat->Timer1Timer();
    }

    // The server's greeting, handled; the login it answers is taken off the wire.
    void login(int number) {
        deliver(QByteArrayLiteral("CMD_sendlogininfo+") + QByteArray::number(number) + '\xFF');
        tick();
        ASSERT_TRUE(peer.expect(QByteArrayLiteral("\xFF\xFF")));
        peer.take();
    }

    QTextEdit* pane() const { return chat->board()->mainchat(); }
    QString lastLine() const { return lastChatText(pane()); }

    QTemporaryDir dir;
    RawPeer peer;
    std::unique_ptr<Tchat> chat;
    Tspylist* spies = nullptr;
    Tphrases* phrases = nullptr;
    QStringList boxes;
    QStringList errors; // the program's error boxes
    QStringList sounds;
};
