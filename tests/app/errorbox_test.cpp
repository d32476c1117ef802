// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol.h"
#include "tchat.h"
#include "vorlixapplication.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

TEST(ErrorBox, AnExceptionEscapingAnEventHandlerIsShownAndTheProgramGoesOn) {
    QStringList shown;
    VorlixApplication::errorBox() = [&](const QString& m) { shown << m; };
    bool later = false;
    QTimer::singleShot(0, [] { throw wire::EConvertError("'x' is not a valid integer value"); });
    // Posted after the throwing one: it runs only if the event loop went on.
    QTimer::singleShot(0, [&] { later = true; });
    QElapsedTimer clock;
    clock.start();
    while (!later && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(shown, QStringList{"'x' is not a valid integer value"});
    EXPECT_TRUE(later);
    VorlixApplication::errorBox() = nullptr;
}

TEST(ErrorBox, GuardedAnswersFalseAfterReporting) {
    QStringList shown;
    VorlixApplication::errorBox() = [&](const QString& m) { shown << m; };
    EXPECT_TRUE(VorlixApplication::guarded([] { return true; }));
    EXPECT_FALSE(
        VorlixApplication::guarded([]() -> bool { throw std::runtime_error("Lzrw1 failed"); }));
    EXPECT_EQ(shown, QStringList{"Lzrw1 failed"});
    VorlixApplication::errorBox() = nullptr;
}

TEST(ErrorBox, ASettingsFileThatCannotBeWrittenDoesNotKeepTheWindowOpen) {
    QStringList shown;
    VorlixApplication::errorBox() = [&](const QString& m) { shown << m; };
    QTemporaryDir dir;
    const QString path = dir.filePath("missing/folder/kestrunlobby.ini");
    Tchat chat(path, {QStringLiteral("Solo")});
    QSignalSpy closed(&chat, &Tchat::closed);
    chat.show();
    chat.move(40, 50); // moved since loading: closing saves
    EXPECT_TRUE(chat.close());
    EXPECT_EQ(shown, QStringList{"Unable to write to " + path});
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(chat.isVisible());
    VorlixApplication::errorBox() = nullptr;
}
