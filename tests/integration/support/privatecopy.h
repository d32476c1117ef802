// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A program of the build run from a folder of its own, so that the settings
// file it keeps beside itself (kestrunlobby.ini) is the test's alone. The
// executable is hard-linked into a temporary folder (copied where it cannot
// be), and the file gets the test's lobby settings: a free discovery port, so
// that no test answers on the machine's shared port 7772, and no port mapping
// (nothing asks the machine's own router), unless `settings` says otherwise.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUdpSocket>

#include <unistd.h>

class PrivateCopy {
public:
    // `binary`: the built program; `settings`: lines of the settings file's
    // "Kestrun Lobby" section besides the discovery port.
    explicit PrivateCopy(const QString& binary, const QStringList& settings = {}) {
        const QString name = QFileInfo(binary).fileName();
        m_program = m_dir.filePath(name);
        if (::link(QFile::encodeName(binary).constData(),
                   QFile::encodeName(m_program).constData()) != 0)
            QFile::copy(binary, m_program);
        m_discoveryPort = freeUdpPort();
        QFile ini(m_dir.filePath(QStringLiteral("kestrunlobby.ini")));
        if (ini.open(QIODevice::WriteOnly)) {
            QByteArray text =
                "[Kestrun Lobby]\r\nDiscoveryPort=" + QByteArray::number(m_discoveryPort) + "\r\n";
            if (settings.filter(QStringLiteral("PortMapping=")).isEmpty())
                text += "PortMapping=0\r\n";
            for (const QString& line : settings)
                text += line.toUtf8() + "\r\n";
            ini.write(text);
        }
    }

    // Another program of the build into the same folder (the lobby beside the
    // game, as installed); answers its path there.
    QString add(const QString& binary) {
        const QString path = m_dir.filePath(QFileInfo(binary).fileName());
        if (::link(QFile::encodeName(binary).constData(), QFile::encodeName(path).constData()) != 0)
            QFile::copy(binary, path);
        return path;
    }

    QString program() const { return m_program; }
    QString folder() const { return m_dir.path(); }
    quint16 discoveryPort() const { return m_discoveryPort; }

    static quint16 freeUdpPort() {
        QUdpSocket probe;
        probe.bind(QHostAddress::LocalHost, 0);
        return probe.localPort();
    }

private:
    QTemporaryDir m_dir;
    QString m_program;
    quint16 m_discoveryPort = 0;
};
