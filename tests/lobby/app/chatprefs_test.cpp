// SPDX-License-Identifier: GPL-3.0-or-later
// The chat as the window keeps it (ignored players' lines hidden, not lost)
// and the lobby's section of the shared settings file.

#include "chatmodel.h"
#include "inifile.h"
#include "lobbyprefs.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ChatModel, IgnoringHidesAPlayersLinesWithoutLosingThem) {
    ChatModel chat;
    QSignalSpy shown(&chat, &ChatModel::lineShown);
    chat.addLine(QStringLiteral("Bob"), QStringLiteral("hello"));
    chat.setIgnoring(QStringLiteral("bob"), true);
    chat.addLine(QStringLiteral("BOB"), QStringLiteral("still here"));
    chat.addLine(QStringLiteral("Ann"), QStringLiteral("hi"));
    EXPECT_EQ(shown.count(), 2); // Bob's first line and Ann's
    EXPECT_EQ(chat.shownLines(), QList<ChatEntry>({{QStringLiteral("Ann"), QStringLiteral("hi")}}));
    EXPECT_TRUE(chat.isIgnored(QStringLiteral("Bob")));
    chat.setIgnoring(QStringLiteral("Bob"), false);
    EXPECT_EQ(chat.shownLines().size(), 3);
    EXPECT_TRUE(chat.ignored().isEmpty());

    for (int i = 0; i < ChatModel::kMaxLines + 10; ++i)
        chat.addLine(QStringLiteral("Ann"), QString::number(i));
    EXPECT_EQ(chat.shownLines().size(), ChatModel::kMaxLines);
    EXPECT_EQ(chat.shownLines().last().text, QString::number(ChatModel::kMaxLines + 9));

    // While Ann is ignored, her lines push out the shown ones: each forgotten
    // shown line is announced, so the pane lets it go too; her own are not.
    chat.setIgnoring(QStringLiteral("Ann"), true);
    chat.addLine(QStringLiteral("Cid"), QStringLiteral("one"));
    chat.addLine(QStringLiteral("Cid"), QStringLiteral("two"));
    QSignalSpy dropped(&chat, &ChatModel::oldestShownLineDropped);
    for (int i = 0; i < ChatModel::kMaxLines - 2; ++i)
        chat.addLine(QStringLiteral("Ann"), QStringLiteral("more"));
    EXPECT_EQ(dropped.count(), 0); // Ann's older lines went, unseen
    chat.addLine(QStringLiteral("Ann"), QStringLiteral("last"));
    EXPECT_EQ(dropped.count(), 1); // Cid's "one"
    EXPECT_EQ(chat.shownLines(),
              QList<ChatEntry>({{QStringLiteral("Cid"), QStringLiteral("two")}}));
}

TEST(LobbyPrefs, NamesOfAnyScriptComeBackExactly) {
    for (const QString& name :
         {QStringLiteral("Zoë"), QStringLiteral("名前"), QStringLiteral("50%, \"quoted\""),
          QStringLiteral("a%41b"), QStringLiteral("😀 smile")}) {
        EXPECT_EQ(lobbyprefs::decode(lobbyprefs::encode(name)), name) << name.toStdString();
        EXPECT_FALSE(lobbyprefs::encode(name).contains(u',')) << name.toStdString();
    }
    EXPECT_EQ(lobbyprefs::encode(QStringLiteral("Zoë")), QStringLiteral("Zoë"));
    EXPECT_EQ(lobbyprefs::encode(QStringLiteral("a,b")), QStringLiteral("a%2Cb"));
}

TEST(LobbyPrefs, LobbySectionWrittenWhileTheGamesSectionStaysByteForByte) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kestrunlobby.ini"));
    const QByteArray game = "[Vorlix]\r\nName=Grob\r\nColor=$00FF00\r\n\r\n";
    const QByteArray tail = "[Other]\r\nKey=Value\r\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(game + "[Kestrun Lobby]\r\nService=127.0.0.1:7790\r\nName=Old\r\n" + tail);
    }
    IniFile file(path);
    LobbyPrefs prefs;
    prefs.name = QStringLiteral("Zoë 名");
    prefs.host = {gameargs::HostChoice::Where::Invite, QStringLiteral("Friday, late")};
    prefs.ignored = {QStringLiteral("Bob"), QStringLiteral("x,y")};
    lobbyprefs::save(file, prefs);
    EXPECT_EQ(lobbyprefs::load(file), prefs);

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith(game)) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("\r\nService=127.0.0.1:7790\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nHostWhere=invite\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nIgnored=Bob,x%2Cy\r\n"));
    EXPECT_TRUE(bytes.endsWith(tail)) << bytes.toStdString();
    // Every line the lobby wrote ends in CR LF, as the game's do.
    QByteArray bare = bytes;
    EXPECT_FALSE(bare.replace("\r\n", "").contains('\n'));
}
