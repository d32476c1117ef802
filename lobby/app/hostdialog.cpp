// SPDX-License-Identifier: GPL-3.0-or-later
#include "hostdialog.h"

#include "lobbymessages.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using Where = gameargs::HostChoice::Where;

HostDialog::HostDialog(const gameargs::HostChoice& initial, QWidget* parent)
    : QDialog(parent), m_choice(initial) {
    setWindowTitle(QStringLiteral("Host a Table"));
    m_tableName = new QLineEdit(this);
    m_tableName->setObjectName(QStringLiteral("tableName"));
    m_tableName->setAccessibleName(QStringLiteral("Table name"));
    m_tableName->setMaxLength(lobbywire::kMaxTableNameChars);
    m_tableName->setText(m_choice.tableName);
    m_lan = new QRadioButton(QStringLiteral("This network only"), this);
    m_public = new QRadioButton(QStringLiteral("Public: listed in the lobby"), this);
    m_invite = new QRadioButton(QStringLiteral("By invitation: only with the invite code"), this);
    for (QRadioButton* b : {m_lan, m_public, m_invite})
        b->setAccessibleName(b->text());
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Host"));
    m_buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("Host"));
    m_buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Table &name:"), m_tableName);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lan);
    layout->addWidget(m_public);
    layout->addWidget(m_invite);
    layout->addLayout(form);
    layout->addWidget(m_buttons);

    connect(m_lan, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setWhere(Where::ThisNetwork);
    });
    connect(m_public, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setWhere(Where::Public);
    });
    connect(m_invite, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            setWhere(Where::Invite);
    });
    connect(m_tableName, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_choice.tableName = text;
        showChoice();
    });
    connect(m_buttons, &QDialogButtonBox::accepted, this, [this] {
        if (acceptable())
            accept();
    });
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    whereButton(m_choice.where)->setChecked(true);
    showChoice();
}

QRadioButton* HostDialog::whereButton(Where where) const {
    switch (where) {
    case Where::Public:
        return m_public;
    case Where::Invite:
        return m_invite;
    case Where::ThisNetwork:
        break;
    }
    return m_lan;
}

bool HostDialog::acceptable() const {
    return m_choice.where == Where::ThisNetwork ||
           !lobbywire::cleanName(m_choice.tableName, lobbywire::kMaxTableNameChars).isEmpty();
}

void HostDialog::setWhere(Where where) {
    m_choice.where = where;
    showChoice();
}

void HostDialog::showChoice() {
    m_tableName->setEnabled(m_choice.where != Where::ThisNetwork);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(acceptable());
}
