// SPDX-License-Identifier: GPL-3.0-or-later
#include "joindialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

JoinDialog::JoinDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Join by Invite Code or Address"));
    auto* prompt = new QLabel(
        QStringLiteral("Invite code (such as +K7Q2-M9XD) or address (HOST or HOST:PORT):"), this);
    m_entry = new QLineEdit(this);
    m_entry->setObjectName(QStringLiteral("joinTarget"));
    m_entry->setAccessibleName(QStringLiteral("Invite code or address"));
    // An address of a host name and a port: longer than any code.
    m_entry->setMaxLength(300);
    prompt->setBuddy(m_entry);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Join"));
    m_buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("Join"));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
    m_buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_entry);
    layout->addWidget(m_buttons);

    connect(m_entry, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_target = gameargs::readJoinTarget(text);
        m_buttons->button(QDialogButtonBox::Ok)->setEnabled(m_target.has_value());
    });
    connect(m_buttons, &QDialogButtonBox::accepted, this, [this] {
        if (m_target)
            accept();
    });
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}
