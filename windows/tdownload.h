#pragma once
// The lobby download window, shown over a solo game: play on alone, switch to
// the installed lobby program, or fetch the lobby's installer. Fetching is not
// available yet: the download button says so.

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

class Tdownload : public QDialog {
    Q_OBJECT
public:
    explicit Tdownload(QWidget* parent);

    void getbuttonClick();
    void abortbuttonClick();
    void Button1Click();
    void Button2Click();

    // Where the lobby program is installed.
    QString lobbyProgram = QStringLiteral("C:\\Program Files\\Kestrun\\KestrunLobby.exe");
    // Replaceable so tests can record what the window does.
    std::function<void(const QString&)> showMessage;
    std::function<bool(const QString&)> startProgram;
    // Closes the main window, which ends the program.
    std::function<void()> exitProgram;

private:
    QPushButton* getbutton = nullptr;
    QPushButton* abortbutton = nullptr;
    QLabel* infolabel = nullptr;
    QLabel* infolabel2 = nullptr;
    QLabel* infolabel3 = nullptr;
};
