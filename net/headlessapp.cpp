// SPDX-License-Identifier: GPL-3.0-or-later
#include "headlessapp.h"

#include <QDateTime>

#include <exception>

HeadlessApplication::HeadlessApplication(int& argc, char** argv, const QString& applicationName)
    : QCoreApplication(argc, argv) {
    setApplicationName(applicationName);
}

bool HeadlessApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QCoreApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        serverlog::writeLine(stderr, QStringLiteral("error: ") + QString::fromLocal8Bit(e.what()));
    }
    return false;
}

namespace serverlog {

void writeLine(std::FILE* out, const QString& line) {
    QString shown = line;
    for (QChar& c : shown) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = u' ';
    }
    const QString stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    std::fprintf(out, "%s %s\n", qPrintable(stamp), shown.toUtf8().constData());
    std::fflush(out);
}

} // namespace serverlog
