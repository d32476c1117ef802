// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// MemoryStore: the store of a lobby service that runs alone. Everything lives
// in this process; every answer comes from inside the call. Invite codes come
// from the system's random source (or a generator a test gives), unique among
// the tables held.

#include "servicestore.h"

#include <QHash>

#include <functional>

class MemoryStore : public ServiceStore {
public:
    // A new code in its written form; lobbywire::invite::generate() unless a
    // test sets another.
    std::function<QString()> generateCode;

    void addTable(TableRecord table, AddDone done) override;
    void updateTable(const TableRecord& table) override;
    void removeTable(const QString& code) override;
    void resolve(const QString& code, ResolveDone done) override;
    void said(const lobbywire::ChatLine&) override {}
    void arrived(const QString&) override {}
    void left(const QString&) override {}
    QString describe() const override { return QStringLiteral("memory"); }

    qsizetype tableCount() const { return m_tables.size(); }

private:
    QHash<QString, TableRecord> m_tables;
};
