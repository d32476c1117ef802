// SPDX-License-Identifier: GPL-3.0-or-later
// The two dialogs edit a value and only allow what can be used.

#include "hostdialog.h"
#include "joindialog.h"
#include "lobbymessages.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

using Where = gameargs::HostChoice::Where;

namespace {
QPushButton* okOf(QDialog& dialog) {
    return dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}
} // namespace

TEST(HostDialog, TheNameFieldServesListedAndInvitationTablesOnly) {
    HostDialog dialog({Where::Public, QStringLiteral("Club")});
    EXPECT_TRUE(dialog.whereButton(Where::Public)->isChecked());
    EXPECT_TRUE(dialog.tableNameEdit()->isEnabled());
    EXPECT_EQ(dialog.tableNameEdit()->maxLength(), lobbywire::kMaxTableNameChars);
    dialog.whereButton(Where::ThisNetwork)->click();
    EXPECT_FALSE(dialog.tableNameEdit()->isEnabled());
    EXPECT_EQ(dialog.choice().where, Where::ThisNetwork);
    dialog.whereButton(Where::Invite)->click();
    dialog.tableNameEdit()->selectAll();
    QTest::keyClick(dialog.tableNameEdit(), Qt::Key_Delete);
    EXPECT_FALSE(okOf(dialog)->isEnabled());
    QTest::keyClicks(dialog.tableNameEdit(), QStringLiteral("Late"));
    EXPECT_TRUE(okOf(dialog)->isEnabled());
    EXPECT_EQ(dialog.choice(), (gameargs::HostChoice{Where::Invite, QStringLiteral("Late")}));
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w)) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
        }
    }
}

TEST(JoinDialog, TakesCodesAndAddressesOnly) {
    JoinDialog dialog;
    EXPECT_FALSE(okOf(dialog)->isEnabled());
    QTest::keyClicks(dialog.entry(), QStringLiteral("+k7q2"));
    EXPECT_FALSE(okOf(dialog)->isEnabled());
    QTest::keyClicks(dialog.entry(), QStringLiteral("m9xd"));
    ASSERT_TRUE(dialog.target());
    EXPECT_EQ(dialog.target()->code, QStringLiteral("+K7Q2-M9XD"));
    dialog.entry()->setText(QStringLiteral("games.example:7800"));
    ASSERT_TRUE(dialog.target());
    EXPECT_EQ(dialog.target()->address,
              (lobbywire::HostPort{QStringLiteral("games.example"), 7800}));
    EXPECT_TRUE(okOf(dialog)->isEnabled());
}
