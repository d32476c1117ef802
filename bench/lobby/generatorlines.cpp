// SPDX-License-Identifier: GPL-3.0-or-later
#include "generatorlines.h"

QByteArray GeneratorLines::take(const QByteArray& line, double seconds, const char* driver) {
    const QList<QByteArray> words = line.split(' ');
    const QByteArray kind = words.value(0), what = words.value(1);
    if (kind == "phase") {
        const QString stamped =
            QStringLiteral("%1 s: %2").arg(seconds, 0, 'f', 1).arg(QString::fromUtf8(line.mid(6)));
        phases << stamped;
        std::printf("%s: %s\n", driver, qPrintable(stamped));
        std::fflush(stdout);
    } else if (kind == "result") {
        QMap<QString, QString>& fields = results[QString::fromUtf8(what)];
        for (qsizetype i = 2; i < words.size(); ++i) {
            const qsizetype eq = words[i].indexOf('=');
            fields[QString::fromUtf8(words[i].left(eq))] = QString::fromUtf8(words[i].mid(eq + 1));
        }
    } else if (kind == "failed") {
        failure = QString::fromUtf8(line.mid(7));
    }
    return kind;
}

void GeneratorLines::print() const {
    std::printf("phases:\n");
    for (const QString& p : phases)
        std::printf("  %s\n", qPrintable(p));
    std::printf("generator's counts:\n");
    for (auto it = results.begin(); it != results.end(); ++it) {
        QStringList pairs;
        for (auto kv = it->begin(); kv != it->end(); ++kv)
            pairs << kv.key() + u'=' + kv.value();
        std::printf("  %-10s %s\n", qPrintable(it.key()), qPrintable(pairs.join(u' ')));
    }
}
