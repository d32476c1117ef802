#pragma once
// The lobby download window, shown over a solo game: play on alone, switch to
// the installed lobby program, or fetch the lobby's installer over HTTP, start
// it and quit. A download that does not complete is never started.

#include <QDialog>

#include <functional>

class QLabel;
class THttpCli;
class QPushButton;

class Tdownload : public QDialog {
    Q_OBJECT
public:
    explicit Tdownload(QWidget* parent);

    void getbuttonClick();
    void abortbuttonClick();
    void Button1Click();
    void Button2Click();
    void HttpCli1HeaderData();
    void HttpCli1DocBegin();
    void HttpCli1DocData();

    THttpCli* HttpCli1 = nullptr;
    // Where the installer is saved: the program's own folder.
    QString downloadDir;
    // Where the lobby program is installed.
    QString lobbyProgram = QStringLiteral("C:\\Program Files\\Kestrun\\KestrunLobby.exe");
    // Replaceable so tests can record what the window does.
    std::function<void(const QString&)> showMessage;
    // Starts a program with parameters; false when it cannot be started.
    std::function<bool(const QString&, const QStringList&)> startProgram;
    // Closes the main window, which ends the program (the main window sets it).
    std::function<void()> exitProgram;

private:
    void exitMainWindow();

    QPushButton* getbutton = nullptr;
    QPushButton* abortbutton = nullptr;
    QLabel* infolabel = nullptr;
    QLabel* infolabel2 = nullptr;
    QLabel* infolabel3 = nullptr;
};
