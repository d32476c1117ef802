// SPDX-License-Identifier: GPL-3.0-or-later
// The tally's grid text as a damaged or hand-edited tally file delivers it
// (after the container is undone): read, counted in, saved and read back.
// A text that is refused leaves the grid as it was; a text that is read saves
// as a text that reads back to the same grid, cell for cell, and saves again
// to the same bytes. Counting a game into a cell either adds one to a whole
// number or is refused with wire::EConvertError, the cell unchanged; the
// window's edits (a row added, one removed) still give a text that reads back.

#include "fuzzing.h"
#include "inttext.h"
#include "tallygrid.h"

#include <climits>

namespace {

bool sameCells(const TallyGrid& a, const TallyGrid& b) {
    if (a.colCount() != b.colCount() || a.rowCount() != b.rowCount())
        return false;
    for (int row = 0; row < a.rowCount(); ++row)
        for (int col = 0; col < a.colCount(); ++col)
            if (a.cell(col, row) != b.cell(col, row))
                return false;
    return true;
}

// A cell as a save stores it: one line, so a line break becomes a blank.
QString savedCell(QString text) {
    return text.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

void countIn(TallyGrid& grid, int col, int row) {
    const QString before = grid.cell(col, row);
    int old = 0;
    const bool number = wire::tryToInt(QStringView(before), old);
    try {
        const int now = grid.addit(col, row);
        // The largest count stays where it is.
        FUZZ_CHECK(number && now == (old == INT_MAX ? old : old + 1));
        FUZZ_CHECK(grid.cell(col, row) == QString::number(now));
    } catch (const wire::EConvertError&) {
        FUZZ_CHECK(!number && grid.cell(col, row) == before);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    TallyGrid grid;
    grid.reset();
    const QByteArray empty = grid.toText();
    try {
        grid.fromText(text);
    } catch (const ETallyFileError&) {
        FUZZ_CHECK(grid.toText() == empty);
        return 0;
    }
    FUZZ_CHECK(grid.colCount() == TallyGrid::kColumns && grid.rowCount() >= 1);

    const QByteArray saved = grid.toText();
    TallyGrid back;
    back.fromText(saved);
    for (int row = 0; row < grid.rowCount(); ++row)
        for (int col = 0; col < grid.colCount(); ++col)
            FUZZ_CHECK(back.cell(col, row) == savedCell(grid.cell(col, row)));
    FUZZ_CHECK(back.toText() == saved);

    // Through a file, as the tally window stores it before packing.
    static const QString path = QString::fromStdString(fuzzing::scratchPath("temp.txt"));
    back.SaveGrid(path);
    TallyGrid loaded;
    loaded.LoadGrid(path);
    FUZZ_CHECK(sameCells(loaded, back));

    // A game counted in, the way the tally window does for a followed player.
    const int row = grid.rowCount() - 1;
    for (int col = 1; col < TallyGrid::kColumns; ++col)
        countIn(loaded, col, row);
    countIn(loaded, 1, 0);

    // The window's edits: a new opponent followed (named like the last row's
    // first cell), the first one dropped; the text still reads back.
    const int rows = loaded.rowCount();
    loaded.setRowCount(rows + 1);
    loaded.setCell(0, rows, loaded.cell(0, rows - 1));
    loaded.moverow(1);
    FUZZ_CHECK(loaded.rowCount() == rows);
    const QByteArray edited = loaded.toText();
    TallyGrid reread;
    reread.fromText(edited);
    FUZZ_CHECK(reread.toText() == edited);
    return 0;
}
