#include "apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

TEST(AppPaths, FilesLiveBesideAWritableProgram) {
    const QString dir = QCoreApplication::applicationDirPath();
    ASSERT_TRUE(QFileInfo(dir).isWritable());
    EXPECT_EQ(apppaths::programDir(), dir);
    EXPECT_EQ(apppaths::settingsFile(), QDir(dir).filePath("kestrunlobby.ini"));
    EXPECT_EQ(apppaths::tallyFile(), QDir(dir).filePath("Vorlixtally.tld"));
}

TEST(AppPaths, TheWorkingDirectoryIsPrivateAndMadeOnce) {
    const QString work = apppaths::workDir();
    ASSERT_FALSE(work.isEmpty());
    EXPECT_TRUE(QFileInfo(work).isDir());
    EXPECT_EQ(apppaths::workDir(), work);
    EXPECT_NE(QDir(work).canonicalPath(), QDir::current().canonicalPath());
    EXPECT_TRUE(QDir(work).isEmpty());
}
