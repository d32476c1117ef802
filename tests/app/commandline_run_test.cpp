// SPDX-License-Identifier: GPL-3.0-or-later
// The built program started as a player would start it from a shell: the answers
// that need no window must come without a display and leave no file behind.

#include "commandline.h"
#include "version.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    bool crashed = true;
    QString out;
    QString err;
};

class ProgramRun : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dataHome.isValid());
        exeDir = QFileInfo(QStringLiteral(VORLIX_EXECUTABLE)).absolutePath();
        exeDirBefore = listing(exeDir);
    }

    // Runs the program with no display at all, plus `extraEnv`, and its own
    // XDG_DATA_HOME and HOME, so any file it made would show there.
    Outcome run(const QStringList& args, const QStringList& extraEnv = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("HOME"), dataHome.filePath(QStringLiteral("home")));
        for (const QString& pair : extraEnv)
            env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(VORLIX_EXECUTABLE), args);
        Outcome r;
        if (!p.waitForFinished(120000))
            return r;
        r.crashed = p.exitStatus() != QProcess::NormalExit;
        r.exitCode = p.exitCode();
        r.out = QString::fromLocal8Bit(p.readAllStandardOutput());
        r.err = QString::fromLocal8Bit(p.readAllStandardError());
        // A console writes its lines with CRLF on Windows.
#ifdef _WIN32
        r.out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        r.err.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
#endif
        return r;
    }

    static QStringList listing(const QString& dir) {
        return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    void expectNoFileMade() {
        EXPECT_EQ(listing(exeDir), exeDirBefore);
        EXPECT_TRUE(listing(dataHome.path()).isEmpty())
            << listing(dataHome.path()).join(' ').toStdString();
    }

    QTemporaryDir dataHome;
    QString exeDir;
    QStringList exeDirBefore;
};

} // namespace

TEST_F(ProgramRun, HelpAndVersionAnswerWithoutADisplay) {
    Outcome r = run({QStringLiteral("--help")});
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: vorlix"))) << r.out.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();

    r = run({QStringLiteral("--version")});
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("Vorlix ") + QLatin1String(wire::kVersion) + u'\n');
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    expectNoFileMade();
}

TEST_F(ProgramRun, ALineItDoesNotUnderstandExits2WithTheUsage) {
    for (const QStringList& args : {QStringList{QStringLiteral("--bogus")},
                                    QStringList{QStringLiteral("--port"), QStringLiteral("0")},
                                    QStringList{QStringLiteral("--server"),
                                                QStringLiteral("--pause"), QStringLiteral("x")}}) {
        const Outcome r = run(args);
        EXPECT_FALSE(r.crashed);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith(QStringLiteral("vorlix: "))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("Usage: vorlix")));
    }
    expectNoFileMade();
}

TEST_F(ProgramRun, WithoutAUsableDisplayItSaysSoInOneLineAndExits1) {
#ifdef _WIN32
    GTEST_SKIP() << "a Windows program always has the desktop it runs on";
#endif
    const QString line = QString::fromLatin1(commandline::kNoDisplayLine);
    // Nothing names a display; a display that cannot be opened; Qt told to use
    // X11 with no X server named.
    for (const QStringList& env : {QStringList{}, QStringList{QStringLiteral("DISPLAY=:65000")},
                                   QStringList{QStringLiteral("QT_QPA_PLATFORM=xcb")}}) {
        // Two parameters: were a window opened after all, it would connect nowhere.
        const Outcome r = run({QStringLiteral("Tester"), QStringLiteral("127.0.0.1")}, env);
        EXPECT_FALSE(r.crashed) << env.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, 1) << env.join(' ').toStdString();
        EXPECT_EQ(r.err, line) << env.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
    }
    expectNoFileMade();
}
