// SPDX-License-Identifier: GPL-3.0-or-later
#include "wordlists.h"

#include <QFile>

namespace {

std::optional<QByteArray> readResource(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

} // namespace

QByteArray wordListResource() {
    return readResource(QStringLiteral(":/TEXT_DEMO")).value_or(QByteArray());
}

std::optional<std::string> loadWordListResource() {
    const std::optional<QByteArray> bytes = readResource(QStringLiteral(":/TEXT_DEMO"));
    if (!bytes)
        return std::nullopt;
    return std::string(bytes->constData(), static_cast<std::size_t>(bytes->size()));
}

QStringList starterWords() {
    const std::optional<QByteArray> bytes = readResource(QStringLiteral(":/words/starters.txt"));
    if (!bytes)
        return {};
    QStringList words;
    for (const QByteArray& line : bytes->split('\n'))
        if (!line.isEmpty())
            words << QString::fromLatin1(line);
    return words;
}
