// SPDX-License-Identifier: GPL-3.0-or-later
// ServiceCore: the directory and the chat as the store tells them, and the
// batches that carry their changes to the clients that follow them.
//
// Everything a batch or an answer sends is built once and shared by every
// write: each table keeps its TABLE line and each person a HERE line, and the
// WATCH and ENTER answers are rebuilt from those only after a change.

#include "servicecore_p.h"

using namespace lobbywire;
using namespace servicelimits;

const QByteArray& ServiceCore::directorySnapshot() {
    if (!m_directorySnapshotValid) {
        qsizetype size = 0;
        for (const auto& [code, entry] : m_directory)
            size += entry.second.size();
        m_directorySnapshot.clear();
        m_directorySnapshot.reserve(size + 8);
        for (const auto& [code, entry] : m_directory)
            m_directorySnapshot += entry.second;
        m_directorySnapshot += listed();
        m_directorySnapshotValid = true;
    }
    return m_directorySnapshot;
}

const QByteArray& ServiceCore::peopleSnapshot() {
    if (!m_peopleSnapshotValid) {
        m_peopleSnapshot.clear();
        for (const auto& [name, person] : m_people)
            for (int i = 0; i < person.count; ++i)
                m_peopleSnapshot += person.here;
        m_peopleSnapshot += lobbywire::entered();
        m_peopleSnapshotValid = true;
    }
    return m_peopleSnapshot;
}

void ServiceCore::addPerson(const QString& name) {
    Person& p = m_people[name];
    if (p.count++ == 0)
        p.here = here(name);
    m_peopleSnapshotValid = false;
}

bool ServiceCore::removePerson(const QString& name) {
    const auto it = m_people.find(name);
    if (it == m_people.end())
        return false;
    if (--it->second.count == 0)
        m_people.erase(it);
    m_peopleSnapshotValid = false;
    return true;
}

void ServiceCore::addHistory(const QByteArray& line) {
    m_history.push_back(line);
    while (m_history.size() > size_t(kChatHistory))
        m_history.pop_front();
}

void ServiceCore::queueChat(QByteArray line, ConnectionId except) {
    const bool first = m_chatNews.empty();
    m_chatNews.push_back({m_chatSeq++, std::move(line), except});
    if (first && onChatPending)
        onChatPending();
}

// One write per client in the chat. A client that entered during the batch
// (its answer already held the first news) or that the batch must skip (its
// own change of name) gets its own part; every other shares one buffer.
void ServiceCore::flushChat() {
    Entry entry(*this);
    if (m_chatNews.empty())
        return;
    std::vector<ChatNews> news;
    news.swap(m_chatNews);
    const quint64 first = news.front().seq;
    QByteArray all;
    std::unordered_set<ConnectionId> skipping;
    for (const ChatNews& n : news) {
        all += n.line;
        if (n.except != 0)
            skipping.insert(n.except);
    }
    for (ConnectionId id : m_entered) {
        const Connection* c = find(id);
        if (!c)
            continue;
        if (c->chatFrom <= first && skipping.count(id) == 0) {
            send(id, all);
            continue;
        }
        QByteArray own;
        for (const ChatNews& n : news)
            if (n.seq >= c->chatFrom && n.except != id)
                own += n.line;
        if (!own.isEmpty())
            send(id, own);
    }
}

// One write per watcher: each table that changed, as it is now, or GONE. A
// table that came and went within the batch was never seen: nothing is sent.
bool ServiceCore::flushDirectory(int maxWrites) {
    Entry entry(*this);
    continueDirectory(); // the batch before goes first, whole
    if (m_changes.empty())
        return false;
    QByteArray batch;
    for (const auto& [code, change] : m_changes) {
        const auto it = m_directory.find(code);
        if (it != m_directory.end())
            batch += it->second.second;
        else if (change.wasListed)
            batch += gone(code);
    }
    m_changes.clear();
    if (batch.isEmpty())
        return false;
    // Those who watch now: one who starts watching meanwhile has the batch's
    // changes in its WATCH answer already.
    m_batch = batch;
    m_batchTo.assign(m_watchers.begin(), m_watchers.end());
    return continueDirectory(maxWrites);
}

bool ServiceCore::continueDirectory(int maxWrites) {
    Entry entry(*this);
    int writes = 0;
    while (!m_batchTo.empty() && writes < maxWrites) {
        const ConnectionId id = m_batchTo.back();
        m_batchTo.pop_back();
        if (m_watchers.count(id) != 0) {
            send(id, m_batch);
            ++writes;
        }
    }
    if (!m_batchTo.empty())
        return true;
    m_batch = QByteArray();
    m_batchTo = std::vector<ConnectionId>();
    return false;
}

void ServiceCore::changed(const QString& code, bool wasListed) {
    m_directorySnapshotValid = false;
    const bool first = m_changes.empty();
    m_changes.try_emplace(code, Change{wasListed});
    if (first && onDirectoryPending)
        onDirectoryPending();
}

void ServiceCore::tableShown(const TableRecord& table) {
    if (table.listing != Listing::Public)
        return; // found by its code alone, never listed
    const TableEntry entry = table.entry();
    const auto it = m_directory.find(table.code);
    const bool wasListed = it != m_directory.end();
    if (wasListed && it->second.first == entry)
        return;
    m_directory[table.code] = {entry, lobbywire::table(entry)};
    changed(table.code, wasListed);
}

void ServiceCore::tableGone(const QString& code) {
    if (m_directory.erase(code) != 0)
        changed(code, true);
}

void ServiceCore::chatHeard(const ChatLine& line) {
    const QByteArray bytes = chat(line.name, line.text);
    addHistory(bytes);
    queueChat(bytes);
}

void ServiceCore::chatHistory(const QList<ChatLine>& lines) {
    m_history.clear();
    for (const ChatLine& line : lines)
        addHistory(chat(line.name, line.text));
}

void ServiceCore::personHere(const QString& name) {
    addPerson(name);
    queueChat(here(name));
}

void ServiceCore::personAway(const QString& name) {
    if (removePerson(name))
        queueChat(away(name));
}

QList<TableEntry> ServiceCore::directory() const {
    QList<TableEntry> out;
    for (const auto& [code, entry] : m_directory)
        out.append(entry.first);
    return out;
}

QStringList ServiceCore::people() const {
    QStringList out;
    for (const auto& [name, person] : m_people)
        out.append(name);
    return out;
}
