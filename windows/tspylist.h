// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The spy list: the players who watch without a seat, one line each as
// "<number>: <name>". The main window hands it the spies it knows and enables
// "Remove From Game" when this copy hosts; the item reports the number of the
// spy whose line the pointer last moved over.

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class QAction;
class QListWidget;
class QMenu;

class Tspylist : public QDialog {
    Q_OBJECT
public:
    struct Spy {
        int number = 0;
        QString name;
    };

    explicit Tspylist(QWidget* parent);

    // Shows these spies, in this order, in place of the ones shown before.
    void showSpies(const QList<Spy>& spies);
    // "Remove From Game" is offered only to the host.
    void setKickEnabled(bool enabled);
    bool kickEnabled() const;

    // Remembers the spy whose line is under the point, or nobody below the
    // last line.
    void listbox_spysMouseMove(const QPoint& pos);
    // The line of that spy now, or -1 (nobody, or the spy left since).
    int lineUnderPointer() const { return int(m_numbers.indexOf(m_pointerSpy)); }
    void popup_kickhimClick();
    void button_doneClick();

    // Asks the server to remove this player number.
    std::function<void(int)> kicking;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* listbox_spys = nullptr;
    QMenu* popup_kick = nullptr;
    QAction* popup_kickhim = nullptr;
    // The numbers of the lines shown, in order: the line's text is never parsed.
    QList<int> m_numbers;
    // The number of the spy whose line the pointer last moved over (the
    // list's "Tag"), 0 for nobody: the one "Remove From Game" acts on, not the
    // selected one. Kept by number, not by line: a spy who leaves while the
    // menu is open moves the lines below up, and the next spy must not be
    // removed in his place.
    int m_pointerSpy = 0;
};
