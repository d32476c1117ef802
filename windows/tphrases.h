#pragma once
// The phrase editor: nine edits for the texts of the main window's phrase
// buttons 1 to 9. The main window copies the buttons' texts in before showing
// it; Done hands the nine texts to `onDone` and closes the window.

#include <QDialog>
#include <QStringList>

#include <functional>

class QLineEdit;

class Tphrases : public QDialog {
    Q_OBJECT
public:
    explicit Tphrases(QWidget* parent);

    QLineEdit* phrase(int n) const; // n = 1..9
    QStringList phrases() const;
    void button_doneClick();

    std::function<void(const QStringList&)> onDone;
};
