// SPDX-License-Identifier: GPL-3.0-or-later
#include "vorlixapplication.h"

#include <QMessageBox>

#include <exception>

VorlixApplication::VorlixApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The program's title. Not the display name: that would be appended to every
    // window's caption.
    setApplicationName(QStringLiteral("Vorlix"));
}

bool VorlixApplication::notify(QObject* receiver, QEvent* event) {
    return guarded([&] { return QApplication::notify(receiver, event); });
}

std::function<void(const QString&)>& VorlixApplication::errorBox() {
    static std::function<void(const QString&)> box;
    return box;
}

void VorlixApplication::showError(const QString& message) {
    if (errorBox()) {
        errorBox()(message);
        return;
    }
    QMessageBox::critical(nullptr, QStringLiteral("Vorlix"), message);
}

bool VorlixApplication::guarded(const std::function<bool()>& body) {
    try {
        return body();
    } catch (const std::exception& e) {
        showError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showError(QStringLiteral("Unknown error"));
    }
    return false;
}
