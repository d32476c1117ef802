// SPDX-License-Identifier: GPL-3.0-or-later
#include "apppaths.h"
#include "gamepaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef _WIN32
TEST(AppPaths, OnWindowsFilesLiveInTheUsersOwnFolderEvenBesideAWritableProgram) {
    const QString dir = gamepaths::userDataDir();
    ASSERT_NE(dir, QCoreApplication::applicationDirPath());
    EXPECT_EQ(apppaths::programDir(), dir);
    EXPECT_EQ(apppaths::settingsFile(), QDir(dir).filePath("kestrunlobby.ini"));
    EXPECT_EQ(apppaths::tallyFile(), QDir(dir).filePath("Vorlixtally.tld"));
}
#else
TEST(AppPaths, FilesLiveBesideAWritableProgram) {
    const QString dir = QCoreApplication::applicationDirPath();
    ASSERT_TRUE(QFileInfo(dir).isWritable());
    EXPECT_EQ(apppaths::programDir(), dir);
    EXPECT_EQ(apppaths::settingsFile(), QDir(dir).filePath("kestrunlobby.ini"));
    EXPECT_EQ(apppaths::tallyFile(), QDir(dir).filePath("Vorlixtally.tld"));
}
#endif

TEST(AppPaths, TheWorkingDirectoryIsPrivateAndMadeOnce) {
    const QString work = apppaths::workDir();
    ASSERT_FALSE(work.isEmpty());
    EXPECT_TRUE(QFileInfo(work).isDir());
    EXPECT_EQ(apppaths::workDir(), work);
    EXPECT_NE(QDir(work).canonicalPath(), QDir::current().canonicalPath());
    EXPECT_TRUE(QDir(work).isEmpty());
}

TEST(AppPaths, AnInstalledCopyIsKnownByItsDesktopEntry) {
    // A build folder has no desktop entry beside it: files stay beside the program.
    EXPECT_FALSE(gamepaths::isInstalledCopy(QCoreApplication::applicationDirPath()));

    // The tree the install rules make, the programs in <prefix>/games, wherever
    // its prefix is (even one the player may write to, or /usr/games run by root).
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    QDir root(prefix.path());
    ASSERT_TRUE(root.mkpath(QStringLiteral("games")));
    const QString games = root.filePath(QStringLiteral("games"));
    EXPECT_FALSE(gamepaths::isInstalledCopy(games));
    ASSERT_TRUE(root.mkpath(QStringLiteral("share/applications")));
    QFile entry(root.filePath(QStringLiteral("share/applications/com.kestrun.Vorlix.desktop")));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.close();
    EXPECT_TRUE(gamepaths::isInstalledCopy(games));
    EXPECT_EQ(gamepaths::settingsFileFor(games),
              QDir(gamepaths::userDataDir()).filePath("kestrunlobby.ini"));
}

TEST(AppPaths, TheLobbyFindsTheGamesOwnDataFolder) {
    const QString appName = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("Vorlix"));
    const QString games = gamepaths::userDataDir();
    QCoreApplication::setApplicationName(QStringLiteral("kestrunlobby"));
    const QString lobbys = gamepaths::userDataDir();
    QCoreApplication::setApplicationName(appName);
    EXPECT_EQ(lobbys, games);
    EXPECT_TRUE(games.endsWith(QStringLiteral("/Vorlix")));
}
