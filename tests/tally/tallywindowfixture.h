// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tally window as the main window wires it, over a file the tests can read
// and a packer they can make fail.

#include "tallytestsupport.h"
#include "ttallylist.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

#include <gtest/gtest.h>

class TallyWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(root.isValid());
        QDir(root.path()).mkpath(QStringLiteral("prog"));
        QDir(root.path()).mkpath(QStringLiteral("work"));
        tallyPath = root.filePath(QStringLiteral("prog/Vorlixtally.tld"));
        scratch = root.filePath(QStringLiteral("work"));
    }

    std::unique_ptr<Ttallylist> open() {
        auto tally =
            std::make_unique<Ttallylist>(nullptr, tallyPath, scratch, packer.codec(),
                                         [this](const QString& message) { errors << message; });
        Ttallylist* window = tally.get();
        tally->loadchecklist = [this, window] { table.fill(*window); };
        tally->confirm = [this](const QString& question) {
            questions << question;
            return answerYes;
        };
        return tally;
    }

    // The user clicks an entry's check box (keyboard: Space on the entry).
    static void toggle(QListWidget* list, int row) {
        list->setCurrentRow(row);
        QTest::keyClick(list, Qt::Key_Space);
        QCoreApplication::processEvents();
    }

    void follow(Ttallylist& tally, const QString& name) {
        table.fill(tally);
        const int row = table.players.indexOf(name);
        ASSERT_GE(row, 0);
        tally.checklistClickCheck(row);
    }

    QString text(Ttallylist& tally, const QString& label) {
        return tally.findChild<QLabel*>(label)->text();
    }

    QByteArray storedText() {
        const QByteArray packed = readAll(tallyPath);
        EXPECT_TRUE(packed.startsWith("PACK"));
        return packed.mid(4);
    }

    QTemporaryDir root;
    QString tallyPath;
    QString scratch;
    FakePacker packer;
    Table table;
    QStringList errors;
    QStringList questions;
    bool answerYes = true;
};

inline QByteArray lines(std::initializer_list<const char*> cells) {
    QByteArray text;
    for (const char* cell : cells)
        text += QByteArray(cell) + "\r\n";
    return text;
}
