// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tally's figures: a plain table of text cells, 9 columns wide, with no
// widget behind it so that it can be stored, loaded and tested on its own.
//
// Row 0 holds the local player's own totals, every further row one followed
// opponent (name in column 0, then the all-time and this-run figures).
//
// The stored form ("grid text") is Windows-1252 text with CR LF line ends: the
// column count, the row count, then every cell in column-major order.

#include <QByteArray>
#include <QString>

#include <stdexcept>
#include <vector>

// Grid text or a grid file that cannot be read or written.
class ETallyFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TallyGrid {
public:
    static constexpr int kColumns = 9;

    TallyGrid();

    int colCount() const { return m_cols; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }
    void setRowCount(int rows);

    // Cells outside the grid read as empty; writes outside it are ignored.
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);

    // The empty tally: one row, every cell "0".
    void reset();

    // Adds 1 to the whole number in the cell and answers the new number (a
    // count at the largest int stays there). A cell that does not hold a whole
    // number (wire::toInt) is left unchanged and wire::EConvertError is raised.
    int addit(int col, int row);

    // Removes a followed opponent's row; the rows below move up. Row 0 is never
    // removed.
    void moverow(int row);

    QByteArray toText() const;
    // Replaces the grid with the one in the text, or throws ETallyFileError and
    // leaves the grid as it was.
    void fromText(const QByteArray& text);

    void SaveGrid(const QString& fileName) const;
    void LoadGrid(const QString& fileName);

private:
    int m_cols = kColumns;
    std::vector<std::vector<QString>> m_rows; // [row][col]
};
