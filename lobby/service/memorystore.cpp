// SPDX-License-Identifier: GPL-3.0-or-later
#include "memorystore.h"

namespace {

// Codes are drawn until one is free. With 40 bits and a few thousand tables a
// second draw is already rare; the bound only keeps a broken generator from
// hanging the service.
constexpr int kCodeDraws = 16;

} // namespace

void MemoryStore::addTable(TableRecord table, AddDone done) {
    // A code claimed again: its own table's, or nobody's now.
    if (!table.code.isEmpty()) {
        const auto held = m_tables.constFind(table.code);
        if (held == m_tables.constEnd() || held->key == table.key) {
            m_tables.insert(table.code, table);
            if (listener())
                listener()->tableShown(table);
            done(table.code);
            return;
        }
    }
    for (int i = 0; i < kCodeDraws; ++i) {
        const QString code = generateCode ? generateCode() : lobbywire::invite::generate();
        if (code.isEmpty() || m_tables.contains(code))
            continue;
        table.code = code;
        m_tables.insert(code, table);
        if (listener())
            listener()->tableShown(table);
        done(code);
        return;
    }
    done(std::nullopt);
}

void MemoryStore::updateTable(const TableRecord& table) {
    const auto it = m_tables.find(table.code);
    if (it == m_tables.end() || *it == table)
        return;
    *it = table;
    if (listener())
        listener()->tableShown(*it);
}

void MemoryStore::removeTable(const QString& code) {
    if (m_tables.remove(code) && listener())
        listener()->tableGone(code);
}

void MemoryStore::resolve(const QString& code, ResolveDone done) {
    const auto it = m_tables.constFind(code);
    if (it == m_tables.constEnd())
        done(std::nullopt);
    else
        done(*it);
}
