// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The help window: six page buttons on the left, and on the right a title strip
// over six read-only text panes of which the page chosen is in front. Done
// hides it; the page in front stays for the next opening.

#include <QDialog>

#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QStackedWidget;

class Thelp : public QDialog {
    Q_OBJECT
public:
    explicit Thelp(QWidget* parent);

    // Brings pane "memo" + page to the front and shows the button's caption.
    void SelButton1Click(int page);
    void button_aboutClick();
    void button_doneClick();
    // The page in front, 1..6.
    int currentPage() const;

    // Shows the about window (the main window's; it sets this).
    std::function<void()> showAbout;

private:
    // Pane n - 1 of the stack is page n ("memo" + n); button n - 1 its
    // "SelButton" + n.
    QStackedWidget* m_panes = nullptr;
    std::array<QPushButton*, 6> m_pageButtons{};
    QLabel* label_caption = nullptr;
};

// The six pages' texts, line by line.
QStringList helpPageText(int page);
// The text a pane shows: the lines of a paragraph joined, so it wraps at the
// pane's own width. A line that ends in a blank goes on in the next one; blank
// lines and list lines ("  - ...") keep their own lines.
QString helpParagraphs(const QStringList& lines);
