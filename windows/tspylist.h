#pragma once
// The spy list: the players who watch without a seat, one line each as
// "<number>: <name>". The main window keeps the lines up to date and enables
// "Remove From Game" when this copy hosts; the item removes the spy whose line
// the pointer last moved over.

#include <QDialog>

#include <functional>

class QAction;
class QListWidget;
class QMenu;

class Tspylist : public QDialog {
    Q_OBJECT
public:
    explicit Tspylist(QWidget* parent);

    // Remembers in the list's "Tag" the line under the point, or -1.
    void listbox_spysMouseMove(const QPoint& pos);
    void popup_kickhimClick();
    void button_doneClick();

    QListWidget* listbox_spys = nullptr;
    QMenu* popup_kick = nullptr;
    QAction* popup_kickhim = nullptr;

    // Asks the server to remove this player number.
    std::function<void(int)> kicking;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
