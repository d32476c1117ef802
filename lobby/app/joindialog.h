// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Join by Invite Code or Address...": takes an invite code (+K7Q2-M9XD in
// any case, with or without its hyphen; without the "+" only with the
// hyphen) or a game's address, HOST or HOST:PORT. OK is on only for text that
// reads as one of them.

#include "gameargs.h"

#include <QDialog>

#include <optional>

class QDialogButtonBox;
class QLineEdit;

class JoinDialog : public QDialog {
    Q_OBJECT
public:
    explicit JoinDialog(QWidget* parent = nullptr);

    const std::optional<gameargs::JoinTarget>& target() const { return m_target; }
    QLineEdit* entry() const { return m_entry; }

private:
    std::optional<gameargs::JoinTarget> m_target;
    QLineEdit* m_entry = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
