// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Host a Table...": where the table is to be found, and its name when it is
// listed or reached by invitation (a table on this network only is named by
// the game itself, so the name field is off then). The choice is a value,
// HostChoice; the dialog only shows and edits it.

#include "gameargs.h"

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;
class QRadioButton;

class HostDialog : public QDialog {
    Q_OBJECT
public:
    explicit HostDialog(const gameargs::HostChoice& initial, QWidget* parent = nullptr);

    const gameargs::HostChoice& choice() const { return m_choice; }
    // Whether OK can be pressed: a listed or invitation table needs a name.
    bool acceptable() const;

    QLineEdit* tableNameEdit() const { return m_tableName; }
    QRadioButton* whereButton(gameargs::HostChoice::Where where) const;

private:
    void setWhere(gameargs::HostChoice::Where where);
    void showChoice();

    gameargs::HostChoice m_choice;
    QLineEdit* m_tableName = nullptr;
    QRadioButton* m_lan = nullptr;
    QRadioButton* m_public = nullptr;
    QRadioButton* m_invite = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
