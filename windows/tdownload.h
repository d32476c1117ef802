// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The lobby download window, shown over a solo game: play on alone, switch to
// the lobby program, or (where the lobby does not come with the game: Windows)
// fetch the lobby's installer over HTTP, start it and quit. A download that
// does not complete is never started. The installer is saved in the user's
// temporary folder, never in the program's own folder, which belongs to the
// installation (and, run by root on Linux, may be writable).
//
// On Linux the lobby is installed with the game (the same package, or the
// same build): the left panel says so and offers no download.
//
// The download runs while the event loop goes on (nothing waits inside a
// handler). A transfer that ends any other way than complete (refused, cut
// short, stopped, not stored, the window destroyed as the program quits)
// leaves no file behind.

#include <QDialog>

#include <functional>
#include <memory>

class QFile;
class QLabel;
class THttpCli;
class QPushButton;

class Tdownload : public QDialog {
    Q_OBJECT
public:
    enum class DownloadState {
        Idle,     // no download asked for yet
        Running,  // the installer is being fetched
        Failed,   // stopped, refused, cut short or not stored: nothing installed
        Received, // complete: the installer was started, or could not be
    };

    explicit Tdownload(QWidget* parent);
    ~Tdownload() override;

    DownloadState downloadState() const { return m_state; }
    // The installer's file name: the last segment of the download address.
    const QString& installerName() const { return m_installerName; }

    void getbuttonClick();
    void abortbuttonClick();
    void Button1Click();
    void Button2Click();
    void HttpCli1HeaderData();
    void HttpCli1DocBegin();
    void HttpCli1DocData(qint64 received);

    THttpCli* HttpCli1 = nullptr;
    // Where the installer is saved: the user's temporary folder.
    QString downloadDir;
    // Where "Play with Others" looks for the lobby program, in order: beside
    // the game (both are installed in /usr/games, which root's PATH lacks),
    // then on the PATH.
    QStringList lobbyPrograms;
    // The download panel: shown where the lobby is installed separately and is
    // not there yet (Windows); the Linux package always carries it.
    bool offersDownload() const { return m_offersDownload; }
    void setOffersDownload(bool offer);
    // The lobby programs to look for on this system.
    static QStringList defaultLobbyPrograms();
    // One of `programs` is there to start.
    static bool lobbyPresent(const QStringList& programs);
    // Replaceable so tests can record what the window does.
    std::function<void(const QString&)> showMessage;
    // Starts a program with parameters; false when it cannot be started.
    std::function<bool(const QString&, const QStringList&)> startProgram;
    // Closes the main window, which ends the program (the main window sets it).
    std::function<void()> exitProgram;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void HttpCli1Finished();
    void HttpCli1Failed();
    // The download buttons back to idle and the file closed and let go;
    // `keep` false removes what was written.
    void endTransfer(bool keep);
    void exitMainWindow();
    static void setInfo(QLabel* label, const QString& text);

    DownloadState m_state = DownloadState::Idle;
    QString m_installerName;
    std::unique_ptr<QFile> m_file; // open while a download runs

    QPushButton* m_solo = nullptr;
    QPushButton* getbutton = nullptr;
    QPushButton* abortbutton = nullptr;
    QLabel* infolabel = nullptr;
    QLabel* infolabel2 = nullptr;
    QLabel* infolabel3 = nullptr;
    QLabel* label_offer = nullptr;
    bool m_offersDownload = true;
};
