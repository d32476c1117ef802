// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The phrase editor: nine edits for the texts of the main window's phrase
// buttons 1 to 9. The main window puts the buttons' texts in (setPhrases)
// before showing it; Done hands the nine texts to `onDone` and closes the window.

#include <QDialog>
#include <QStringList>

#include <array>
#include <functional>

class QLineEdit;

class Tphrases : public QDialog {
    Q_OBJECT
public:
    explicit Tphrases(QWidget* parent);

    QLineEdit* phrase(int n) const; // n = 1..9, else null
    // The nine edits' texts in order; setPhrases fills edit n with text n (as
    // many as are given).
    QStringList phrases() const;
    void setPhrases(const QStringList& texts);
    void button_doneClick();

    std::function<void(const QStringList&)> onDone;

private:
    std::array<QLineEdit*, 9> m_edits{};
};
