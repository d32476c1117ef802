// SPDX-License-Identifier: GPL-3.0-or-later
// LobbyWindow: what the player's actions do (hosting, joining, the name, the
// chat) and how their outcomes are shown.

#include "lobbywindow.h"

#include "chatmodel.h"
#include "gamelauncher.h"
#include "gamestarter.h"
#include "hostdialog.h"
#include "inifile.h"
#include "joindialog.h"
#include "lobbyfeed.h"

#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>

void LobbyWindow::setPlayerName(const QString& name) {
    m_nameEdit->setText(name);
    m_prefs.name = name;
    commitName();
}

void LobbyWindow::commitName() {
    const QString cleaned = lobbywire::cleanName(m_prefs.name, lobbywire::kMaxNameChars);
    m_prefs.name = cleaned;
    if (m_nameEdit->text() != cleaned)
        m_nameEdit->setText(cleaned);
    if (cleaned == m_committedName)
        return;
    m_committedName = cleaned;
    savePrefs();
    m_feed->setName(cleaned);
}

void LobbyWindow::savePrefs() {
    try {
        lobbyprefs::save(*m_settings, m_prefs);
    } catch (const EIniFileError& e) {
        setNotice(QStringLiteral("Your settings could not be saved: %1")
                      .arg(QString::fromLocal8Bit(e.what())));
    }
}

void LobbyWindow::hostTable(const gameargs::HostChoice& choice) {
    commitName();
    setNotice({});
    m_starter->host(m_prefs.name, choice);
}

void LobbyWindow::joinRow(int row) {
    const TableRow* table = m_tables->rowAt(row);
    if (!table) {
        setNotice(QStringLiteral("Choose a table in the list first."));
        return;
    }
    commitName();
    setNotice({});
    gameargs::JoinTarget target;
    if (table->where == TableRow::Where::Internet) {
        target.code = table->id;
    } else if (const std::optional<gameargs::JoinTarget> t = gameargs::readJoinTarget(table->id)) {
        target = *t;
    } else {
        setNotice(QStringLiteral("The table at %1 can't be joined from here.").arg(table->id));
        return;
    }
    m_starter->join(m_prefs.name, target, table->version);
}

void LobbyWindow::joinSelected() {
    const QModelIndex current = m_tableView->selectionModel()->currentIndex();
    joinRow(current.isValid() ? current.row() : -1);
}

void LobbyWindow::joinTarget(const gameargs::JoinTarget& target) {
    commitName();
    setNotice({});
    m_starter->join(m_prefs.name, target, std::nullopt);
}

void LobbyWindow::openHostDialog() {
    auto* dialog = new HostDialog(m_prefs.host, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        gameargs::HostChoice choice = dialog->choice();
        choice.tableName = lobbywire::cleanName(choice.tableName, lobbywire::kMaxTableNameChars);
        if (choice.where == gameargs::HostChoice::Where::ThisNetwork)
            choice.tableName = m_prefs.host.tableName;
        m_prefs.host = choice;
        savePrefs();
        hostTable(choice);
    });
    dialog->open();
}

void LobbyWindow::openJoinDialog() {
    auto* dialog = new JoinDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        if (dialog->target())
            joinTarget(*dialog->target());
    });
    dialog->open();
}

void LobbyWindow::onGameEnded(const GameOutcome& outcome) {
    if (!outcome.text.isEmpty())
        setNotice(outcome.text);
}

bool LobbyWindow::sayInChat(const QString& text) {
    if (m_feed->say(text))
        return true;
    setNotice(m_prefs.name.isEmpty() ? QStringLiteral("Enter your name first: the chat needs one.")
                                     : QStringLiteral("The chat can't be reached now."));
    return false;
}

void LobbyWindow::rememberSelection() {
    const QModelIndex current = m_tableView->selectionModel()->currentIndex();
    const TableRow* row = current.isValid() ? m_tables->rowAt(current.row()) : nullptr;
    m_selected.reset();
    if (row)
        m_selected = std::make_pair(row->where, row->id);
}

void LobbyWindow::restoreSelection() {
    if (!m_selected)
        return;
    const int row = m_tables->find(m_selected->first, m_selected->second);
    if (row < 0)
        return;
    m_tableView->selectionModel()->setCurrentIndex(
        m_tables->index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
