// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One copy of the program per desktop. The first copy listens on a local socket
// named after the program, the user and the desktop; a later copy on the same
// desktop finds it listening, asks it to bring its main window forward and ends.
// A name left behind by a crashed copy answers nobody: it is removed and taken
// over.

#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The game's name: nameFor("Nurtsek").
    static QString defaultName();
    // `program` + user + desktop (DISPLAY, else WAYLAND_DISPLAY), in characters
    // every file system takes.
    static QString nameFor(const QString& program);

    // True when this is the first copy (it now listens for later copies). False
    // when another copy was running: it has been asked to come forward.
    bool claim();

    QString name() const { return m_name; }

signals:
    // A later copy asked for the main window to be brought forward.
    void raiseRequested();

private:
    void onNewConnection();

    QString m_name;
    QLocalServer* m_server = nullptr;
};
