// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tally window: the local player's running record (games, wins, best score,
// words) and, for every opponent the player follows, the games played together
// and who won them, over all time and for this run of the program.
//
// Created hidden once at start-up; loads the tally file then, and writes it back
// in save() and when destroyed. All figures live in a TallyGrid; the labels and
// the two check lists only show it. Entry k of `listbox_tally` is grid row k + 1.
// The lists are the window's own: the client hands it the other players at the
// table and asks whether a name is followed.

#include "tallyfilecodec.h"
#include "tallygrid.h"

#include <QDialog>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QListWidget;
class QPushButton;

// Who won a finished game, as the client reports it: this player, or the
// opponent of that display name. An own win is never told by a name, so no
// name a player can take counts as one.
struct TallyWinner {
    bool own = false;
    QString name; // the winning opponent's display name; empty for an own win

    static TallyWinner me() { return {true, {}}; }
    static TallyWinner opponent(const QString& name) { return {false, name}; }
};

class Ttallylist : public QDialog {
    Q_OBJECT
public:
    // `reportError` shows a tally file that could not be read or written; by
    // default a message box. Both defaults are what the program uses; tests replace them.
    Ttallylist(QWidget* parent, QString tallyFilePath, QString scratchDir,
               TallyFileCodec codec = TallyFileCodec::lzrw1(),
               std::function<void(const QString&)> reportError = {});
    ~Ttallylist() override;

    // Called by the client.
    void addtomineincrease(int column);
    void addtomineset(int column, const QString& text);
    void addgame(const TallyWinner& winner);
    // Stores `text` as the own high score when `total` beats the stored one.
    void offerHighScore(int total, const QString& text);
    QString mylabel(int column) const;

    // "Players In Current Game": the other players at the table, each checked
    // when followed.
    void setPlayersInGame(const QStringList& names);
    // Whether a name is in "Players Being Tallied" (letter case ignored).
    bool isFollowed(const QString& name) const;

    // Writes the tally file. A failed save leaves the previous file as it was,
    // reports why (reportError) and answers false.
    bool save();

    // The user's actions, callable directly.
    void checklistClickCheck(int row);
    void listbox_tallyClick();
    void listbox_tallyClickCheck(int row);
    void button_resetClick();
    void button_doneClick();

    const TallyGrid& grid() const { return stringgrid_scores; }

    // Refills "Players In Current Game" (setPlayersInGame); run first by addgame.
    std::function<void()> loadchecklist;
    // Asks a Yes/No question; true means Yes.
    std::function<bool(const QString&)> confirm;

private:
    // "Players In Current Game" and "Players Being Tallied" (all checked).
    QListWidget* checklist = nullptr;
    QListWidget* listbox_tally = nullptr;
    // Lets a list's current entry go while the list has no focus.
    QObject* m_focusFilter = nullptr;
    // The own figures (mylabel_1..4), the opponent's figures (label_1..8) and
    // his name over them (label_hisname, label_hisnametop).
    std::array<QLabel*, 4> m_mine{};
    std::array<QLabel*, 8> m_his{};
    QLabel* m_hisName = nullptr;
    QLabel* m_hisNameTop = nullptr;

    void buildWindow();
    void buildFigures();
    void buildLists();
    void FormCreate();
    void loadtally();
    void startEmpty();
    int addit(int column, int row);
    void moverow(int row);
    // Position of a followed name in `listbox_tally`, ignoring letter case; -1.
    int followedIndex(const QString& name) const;
    void showOpponent(int entry);
    void clearOpponent();
    // mylabel_1..4, the own figures; null for any other column.
    QLabel* mineLabel(int column) const;

    TallyGrid stringgrid_scores;
    QString m_tallyPath;
    QString m_scratchDir;
    std::unique_ptr<QTemporaryDir> m_ownScratch;
    TallyFileCodec m_codec;
    std::function<void(const QString&)> m_reportError;
};
