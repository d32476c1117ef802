// SPDX-License-Identifier: GPL-3.0-or-later
#include "tallygrid.h"

#include "inttext.h"
#include "protocol.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <limits>

namespace {

// Opening the code page's converter costs far more than converting a cell, so
// one is opened for a whole grid and reset before each cell, which leaves each
// cell converted as a fresh converter would.
QByteArray toAnsi(QStringEncoder& encoder, const QString& text) {
    if (!encoder.isValid())
        return wire::encodeCodePage(text);
    encoder.resetState();
    // Qt marks a character the code page cannot hold with 0x1A, which is also
    // the byte of the control character U+001A (a name from the wire may hold
    // one). The text between real U+001A characters is encoded piece by piece,
    // so that only the marks become "?" and the cell reads back as it was.
    QByteArray bytes;
    const QList<QStringView> pieces = QStringView(text).split(QChar(0x1A));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            bytes += '\x1A';
        QByteArray piece = encoder.encode(pieces[i]);
        piece.replace('\x1A', '?');
        bytes += piece;
    }
    return bytes;
}

QString fromAnsi(QStringDecoder& decoder, const QByteArray& bytes) {
    if (!decoder.isValid())
        return wire::decode(bytes);
    decoder.resetState();
    return decoder.decode(bytes);
}

} // namespace

TallyGrid::TallyGrid() {
    m_rows.assign(1, std::vector<QString>(m_cols));
}

void TallyGrid::setRowCount(int rows) {
    if (rows < 1)
        rows = 1;
    m_rows.resize(rows, std::vector<QString>(m_cols));
}

QString TallyGrid::cell(int col, int row) const {
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_cols)
        return {};
    return m_rows[row][col];
}

void TallyGrid::setCell(int col, int row, const QString& text) {
    if (row < 0 || row >= rowCount() || col < 0 || col >= m_cols)
        return;
    m_rows[row][col] = text;
}

void TallyGrid::reset() {
    m_cols = kColumns;
    m_rows.assign(1, std::vector<QString>(m_cols, QStringLiteral("0")));
}

int TallyGrid::addit(int col, int row) {
    const int count = wire::toInt(cell(col, row));
    // A damaged or edited file can hold the largest count there is; adding
    // to it would overflow, so it stays where it is.
    const int value = count < std::numeric_limits<int>::max() ? count + 1 : count;
    setCell(col, row, QString::number(value));
    return value;
}

void TallyGrid::moverow(int row) {
    if (row < 1 || row >= rowCount())
        return;
    m_rows.erase(m_rows.begin() + row);
}

QByteArray TallyGrid::toText() const {
    QByteArray text;
    text += QByteArray::number(m_cols) + "\r\n";
    text += QByteArray::number(rowCount()) + "\r\n";
    QStringEncoder encoder("windows-1252");
    for (int col = 0; col < m_cols; ++col) {
        for (int row = 0; row < rowCount(); ++row) {
            // One cell is one line: a line break inside a name would shift
            // every cell after it, so it is stored as a blank.
            QString cellText = m_rows[row][col];
            cellText.replace(QLatin1Char('\r'), QLatin1Char(' '));
            cellText.replace(QLatin1Char('\n'), QLatin1Char(' '));
            text += toAnsi(encoder, cellText) + "\r\n";
        }
    }
    return text;
}

void TallyGrid::fromText(const QByteArray& text) {
    QList<QByteArray> lines = text.split('\n');
    // The last line ends with a line break too; what follows it is no line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray& line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    if (lines.size() < 2)
        throw ETallyFileError("The tally text is incomplete");
    QStringDecoder decoder("windows-1252");
    int cols = 0;
    int rows = 0;
    try {
        cols = wire::toInt(fromAnsi(decoder, lines[0]));
        rows = wire::toInt(fromAnsi(decoder, lines[1]));
    } catch (const wire::EConvertError& e) {
        throw ETallyFileError(e.what());
    }
    if (cols != kColumns)
        throw ETallyFileError("The tally text has the wrong number of columns");
    // Checked before anything is allocated, so that a damaged count cannot ask
    // for a huge grid.
    if (rows < 1 || qint64(rows) * cols > lines.size() - 2)
        throw ETallyFileError("The tally text is incomplete");

    std::vector<std::vector<QString>> cells(rows, std::vector<QString>(cols));
    int line = 2;
    for (int col = 0; col < cols; ++col)
        for (int row = 0; row < rows; ++row)
            cells[row][col] = fromAnsi(decoder, lines[line++]);
    m_cols = cols;
    m_rows = std::move(cells);
}

void TallyGrid::SaveGrid(const QString& fileName) const {
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw ETallyFileError(
            QStringLiteral("Cannot create file \"%1\"").arg(fileName).toStdString());
    const QByteArray text = toText();
    if (file.write(text) != text.size() || !file.flush())
        throw ETallyFileError(
            QStringLiteral("Cannot write file \"%1\"").arg(fileName).toStdString());
}

void TallyGrid::LoadGrid(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw ETallyFileError(
            QStringLiteral("Cannot open file \"%1\"").arg(fileName).toStdString());
    fromText(file.readAll());
}
