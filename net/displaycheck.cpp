// SPDX-License-Identifier: GPL-3.0-or-later
#include "displaycheck.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>

#include <vector>

namespace displaycheck {

namespace {

struct HeldMessage {
    QtMsgType type;
    QByteArray category;
    QString text;
};

QtMessageHandler previousHandler = nullptr;
const char* lineWithoutDisplay = "";
std::vector<HeldMessage> held;

void holdingHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    // While the application is being built, the only fatal message Qt sends is
    // the platform plugin's: no display could be opened (or none of the plugins
    // it tried could start). Its advice to reinstall is beside the point.
    if (type == QtFatalMsg) {
        std::fputs(lineWithoutDisplay, stderr);
        std::_Exit(1);
    }
    held.push_back({type, QByteArray(context.category), text});
}

} // namespace

bool displayNamed(bool platformArgument) {
#ifdef Q_OS_WIN
    // A Windows session always has its desktop.
    Q_UNUSED(platformArgument);
    return true;
#else
    return platformArgument || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
#endif
}

void chooseTextEngine(bool platformArgument) {
#ifdef Q_OS_WIN
    if (!platformArgument && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
#else
    Q_UNUSED(platformArgument);
#endif
}

void beginWatch(const char* noDisplayLine) {
    lineWithoutDisplay = noDisplayLine;
    held.clear();
    previousHandler = qInstallMessageHandler(holdingHandler);
}

void endWatch() {
    qInstallMessageHandler(previousHandler);
    for (const HeldMessage& m : held) {
        const QMessageLogContext context(nullptr, 0, nullptr,
                                         m.category.isEmpty() ? nullptr : m.category.constData());
        qt_message_output(m.type, context, m.text);
    }
    held.clear();
}

} // namespace displaycheck
