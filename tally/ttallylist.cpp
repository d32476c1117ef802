// SPDX-License-Identifier: GPL-3.0-or-later
#include "ttallylist.h"

#include "durablefile.h"
#include "inttext.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>

namespace {

QListWidgetItem* makeFollowedEntry(const QString& name) {
    auto* entry = new QListWidgetItem(name);
    entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    entry->setCheckState(Qt::Checked);
    return entry;
}

} // namespace

Ttallylist::Ttallylist(QWidget* parent, QString tallyFilePath, QString scratchDir,
                       TallyFileCodec codec, std::function<void(const QString&)> reportError)
    : QDialog(parent), m_tallyPath(std::move(tallyFilePath)), m_scratchDir(std::move(scratchDir)),
      m_codec(std::move(codec)), m_reportError(std::move(reportError)) {
    setObjectName(QStringLiteral("tallylist"));
    // Never fall back to the current directory: a scratch "temp.txt" there
    // would overwrite and then delete a file of the user's.
    if (m_scratchDir.isEmpty()) {
        m_ownScratch = std::make_unique<QTemporaryDir>();
        m_scratchDir = m_ownScratch->path();
    }
    if (!m_reportError) {
        // No parent: the last save runs while the main window, this window's
        // parent, is being destroyed.
        m_reportError = [](const QString& message) {
            QMessageBox::critical(nullptr, QApplication::applicationName(), message);
        };
    }
    confirm = [this](const QString& question) {
        return QMessageBox::question(this, QStringLiteral("Confirm"), question,
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };
    buildWindow();
    FormCreate();
}

Ttallylist::~Ttallylist() {
    save();
    // The lists outlive this part of the window by a little (Qt deletes them
    // with the widget underneath): nothing they do then may reach it.
    for (QListWidget* list : {checklist, listbox_tally}) {
        list->disconnect(this);
        list->removeEventFilter(m_focusFilter);
    }
}

QLabel* Ttallylist::mineLabel(int column) const {
    return (column >= 1 && column <= 4) ? m_mine[column - 1] : nullptr;
}

QString Ttallylist::mylabel(int column) const {
    const QLabel* shown = mineLabel(column);
    return shown ? shown->text() : QString();
}

void Ttallylist::FormCreate() {
    stringgrid_scores.reset();
    if (!QFileInfo::exists(m_tallyPath))
        return;
    const QString temp = QDir(m_scratchDir).filePath(QStringLiteral("temp.txt"));
    try {
        m_codec.decompress(m_tallyPath, temp);
        stringgrid_scores.LoadGrid(temp);
    } catch (const std::exception& e) {
        // The unreadable file stays until the next save replaces it.
        QFile::remove(temp);
        startEmpty();
        m_reportError(QString::fromLocal8Bit(e.what()));
        return;
    }
    QFile::remove(temp);
    loadtally();
}

void Ttallylist::loadtally() {
    for (int column = 1; column <= 4; ++column)
        mineLabel(column)->setText(stringgrid_scores.cell(column, 0));
    listbox_tally->clear();
    for (int row = 1; row < stringgrid_scores.rowCount(); ++row) {
        listbox_tally->addItem(makeFollowedEntry(stringgrid_scores.cell(0, row)));
        // The session figures start again at every run.
        for (int column = 5; column <= 8; ++column)
            stringgrid_scores.setCell(column, row, QStringLiteral("0"));
    }
}

void Ttallylist::startEmpty() {
    stringgrid_scores.reset();
    listbox_tally->clear();
    for (int column = 1; column <= 4; ++column)
        mineLabel(column)->setText(QStringLiteral("0"));
    clearOpponent();
}

bool Ttallylist::save() {
    const QString temp = QDir(m_scratchDir).filePath(QStringLiteral("temp.txt"));
    const QString fresh = m_tallyPath + QStringLiteral(".new");
    bool saved = false;
    QString why;
    try {
        stringgrid_scores.SaveGrid(temp);
        QFile::remove(fresh);
        m_codec.compress(temp, fresh);
        saved = durablefile::replace(fresh, m_tallyPath);
        if (!saved)
            why = QStringLiteral("the new file could not take the old one's place");
    } catch (const std::exception& e) {
        why = QString::fromLocal8Bit(e.what());
    }
    QFile::remove(temp);
    if (!saved) {
        QFile::remove(fresh);
        // The games of this run are lost from the file, and the player would
        // otherwise never know: the tally is saved when the program ends.
        m_reportError(QStringLiteral("The tally could not be saved to %1: %2\n"
                                     "The tally saved before is kept.")
                          .arg(QDir::toNativeSeparators(m_tallyPath), why));
    }
    return saved;
}

int Ttallylist::addit(int column, int row) {
    return stringgrid_scores.addit(column, row);
}

void Ttallylist::moverow(int row) {
    stringgrid_scores.moverow(row);
}

int Ttallylist::followedIndex(const QString& name) const {
    for (int i = 0; i < listbox_tally->count(); ++i) {
        if (listbox_tally->item(i)->text().compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void Ttallylist::addtomineincrease(int column) {
    const int value = addit(column, 0);
    if (QLabel* shown = mineLabel(column))
        shown->setText(QString::number(value));
}

void Ttallylist::addtomineset(int column, const QString& text) {
    stringgrid_scores.setCell(column, 0, text);
    if (QLabel* shown = mineLabel(column))
        shown->setText(text);
}

void Ttallylist::offerHighScore(int total, const QString& text) {
    int best = 0;
    if (!wire::tryToInt(stringgrid_scores.cell(3, 0), best))
        best = 0;
    if (total > best)
        addtomineset(3, text);
}

void Ttallylist::setPlayersInGame(const QStringList& names) {
    checklist->clear();
    for (const QString& name : names) {
        auto* item = new QListWidgetItem(name, checklist);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(isFollowed(name) ? Qt::Checked : Qt::Unchecked);
    }
}

bool Ttallylist::isFollowed(const QString& name) const {
    return followedIndex(name) >= 0;
}

void Ttallylist::addgame(const TallyWinner& winner) {
    if (loadchecklist)
        loadchecklist();
    addtomineincrease(1);
    const bool iWon = winner.own;
    if (iWon)
        addtomineincrease(2);
    for (int i = 0; i < checklist->count(); ++i) {
        const int entry = followedIndex(checklist->item(i)->text());
        if (entry < 0)
            continue;
        const int row = entry + 1;
        for (int column = 1; column <= 8; ++column) {
            if (stringgrid_scores.cell(column, row).isEmpty())
                stringgrid_scores.setCell(column, row, QStringLiteral("0"));
        }
        addit(1, row);
        addit(5, row);
        // Exact comparison: a winner whose name differs only in letter case is
        // not this opponent.
        if (!iWon && stringgrid_scores.cell(0, row) == winner.name) {
            addit(2, row);
            addit(6, row);
        } else if (iWon) {
            addit(3, row);
            addit(7, row);
        } else {
            addit(4, row);
            addit(8, row);
        }
    }
    if (listbox_tally->currentItem() && listbox_tally->currentItem()->isSelected())
        listbox_tallyClick();
}

void Ttallylist::checklistClickCheck(int row) {
    QListWidgetItem* item = checklist->item(row);
    if (!item)
        return;
    const QString name = item->text();
    if (followedIndex(name) < 0) {
        listbox_tally->addItem(makeFollowedEntry(name));
        const int newRow = stringgrid_scores.rowCount();
        stringgrid_scores.setRowCount(newRow + 1);
        stringgrid_scores.setCell(0, newRow, name);
        for (int column = 1; column <= 8; ++column)
            stringgrid_scores.setCell(column, newRow, QStringLiteral("0"));
    }
    // A followed player's entry stands checked, whatever the click did.
    item->setCheckState(Qt::Checked);
}

void Ttallylist::listbox_tallyClick() {
    const int entry = listbox_tally->currentRow();
    if (entry >= 0)
        showOpponent(entry);
}

void Ttallylist::showOpponent(int entry) {
    const int row = entry + 1;
    if (row >= stringgrid_scores.rowCount())
        return;
    for (int column = 1; column <= 8; ++column)
        m_his[column - 1]->setText(stringgrid_scores.cell(column, row));
    const QString name = stringgrid_scores.cell(0, row);
    m_hisName->setText(name + QStringLiteral(" Wins:"));
    m_hisNameTop->setText(name + QStringLiteral("'s Tally"));
    m_hisNameTop->setAccessibleName(m_hisNameTop->text());
}

void Ttallylist::clearOpponent() {
    for (int column = 1; column <= 8; ++column)
        m_his[column - 1]->setText(QStringLiteral("0"));
    m_hisName->setText(QStringLiteral("XX Wins:"));
    m_hisNameTop->setText(QString());
    m_hisNameTop->setAccessibleName(QStringLiteral("No opponent chosen"));
}

void Ttallylist::listbox_tallyClickCheck(int row) {
    QListWidgetItem* item = listbox_tally->item(row);
    if (!item || item->checkState() == Qt::Checked)
        return;
    const QString name = item->text();
    if (!confirm(QStringLiteral("This will delete ") + name +
                 QStringLiteral("'s Tally, Are you want to delete it?"))) {
        item->setCheckState(Qt::Checked);
        return;
    }
    moverow(row + 1);
    delete listbox_tally->takeItem(row);
    for (int i = 0; i < checklist->count(); ++i) {
        QListWidgetItem* player = checklist->item(i);
        if (player->text().compare(name, Qt::CaseInsensitive) == 0)
            player->setCheckState(Qt::Unchecked);
    }
    // Never leave the dropped player's figures on show.
    if (listbox_tally->currentRow() >= 0)
        listbox_tallyClick();
    else
        clearOpponent();
}

void Ttallylist::button_resetClick() {
    if (!confirm(QStringLiteral("Are you sure you want to reset the Tally?")))
        return;
    startEmpty();
    for (int i = 0; i < checklist->count(); ++i)
        checklist->item(i)->setCheckState(Qt::Unchecked);
}

void Ttallylist::button_doneClick() {
    hide();
}
