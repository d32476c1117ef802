// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobbyfeed.h"

#include "lobbyreaders.h"
#include "servicelink.h"

#include <algorithm>

namespace {

QString sentence(const QString& text) {
    if (text.endsWith(u'.') || text.endsWith(u'!') || text.endsWith(u'?'))
        return text;
    return text + u'.';
}

} // namespace

LobbyFeed::LobbyFeed(lobbywire::HostPort service, QString version, QObject* parent)
    : QObject(parent), m_service(std::move(service)), m_version(std::move(version)) {}

LobbyFeed::~LobbyFeed() = default;

void LobbyFeed::setName(const QString& name) {
    const QString clean = lobbywire::cleanName(name, lobbywire::kMaxNameChars);
    if (clean == m_name)
        return;
    m_name = clean;
    // The service has no way out of the chat short of leaving: a name taken
    // back only keeps the player from saying more (say() refuses).
    if (m_name.isEmpty() || m_reach != Reach::Reachable)
        return;
    m_link->send(lobbywire::setName(m_name));
    if (!m_entering) {
        m_link->send(lobbywire::enter());
        m_entering = true;
    }
}

void LobbyFeed::start() {
    if (m_link)
        return;
    ServiceLink::Options options;
    options.service = m_service;
    options.alternates = alternates;
    options.program = QStringLiteral("kestrunlobby");
    options.version = m_version;
    m_link = new ServiceLink(options, this);
    connect(m_link, &ServiceLink::opened, this, &LobbyFeed::onOpened);
    connect(m_link, &ServiceLink::message, this, &LobbyFeed::onMessage);
    connect(m_link, &ServiceLink::lost, this,
            [this](const QString& why) { onLost(why, Reach::Unreachable); });
    connect(m_link, &ServiceLink::refused, this,
            [this](const QString& why) { onLost(why, Reach::Refused); });
    setReach(Reach::Connecting);
    m_link->open();
}

void LobbyFeed::stop() {
    if (!m_link)
        return;
    // stop() may come from a slot of one of the link's signals.
    ServiceLink::release(m_link, this);
    m_listing = false;
    m_entering = false;
    m_snapshot.clear();
    setTables({});
    clearPeople();
    setReach(Reach::Stopped);
}

bool LobbyFeed::say(const QString& text) {
    if (m_reach != Reach::Reachable || m_name.isEmpty() || !m_entering || text.trimmed().isEmpty())
        return false;
    return m_link->send(lobbywire::say(text));
}

QString LobbyFeed::reachText() const {
    const QString where = lobbywire::hostPortText(m_service);
    switch (m_reach) {
    case Reach::Stopped:
        return QStringLiteral("Not connected to the lobby service.");
    case Reach::Connecting:
        return QStringLiteral("Connecting to the lobby service at %1...").arg(where);
    case Reach::Reachable:
        return QStringLiteral("Connected to the lobby service at %1.").arg(where);
    case Reach::Unreachable:
        return sentence(m_problem) + QStringLiteral(" Tables on this network still show.");
    case Reach::Refused:
        return sentence(m_problem);
    }
    return {};
}

QList<lobbywire::TableEntry> LobbyFeed::tables() const {
    QList<lobbywire::TableEntry> list = m_tables.values();
    std::sort(list.begin(), list.end(),
              [](const lobbywire::TableEntry& a, const lobbywire::TableEntry& b) {
                  const int byName = a.tableName.compare(b.tableName, Qt::CaseInsensitive);
                  if (byName != 0)
                      return byName < 0;
                  return a.code < b.code;
              });
    return list;
}

QStringList LobbyFeed::people() const {
    QStringList names = m_people.keys();
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

void LobbyFeed::onOpened() {
    // A fresh connection: the directory comes whole again and the chat is
    // joined anew, so what was known of both is replaced.
    m_listing = true;
    m_snapshot.clear();
    m_entering = false;
    clearPeople();
    if (!m_name.isEmpty())
        m_link->send(lobbywire::setName(m_name));
    m_link->send(lobbywire::watch());
    if (!m_name.isEmpty()) {
        m_link->send(lobbywire::enter());
        m_entering = true;
    }
    setReach(Reach::Reachable);
}

void LobbyFeed::onMessage(const lobbywire::Message& message) {
    using namespace lobbywire;
    if (const auto entry = readTable(message)) {
        if (m_listing) {
            m_snapshot.insert(entry->code, *entry);
        } else if (m_tables.value(entry->code) != *entry) {
            m_tables.insert(entry->code, *entry);
            emit tablesChanged();
        }
    } else if (isBare(message, name::listed)) {
        if (!m_listing)
            return;
        m_listing = false;
        setTables(std::exchange(m_snapshot, {}));
    } else if (const auto code = readGone(message)) {
        m_snapshot.remove(*code);
        if (m_tables.remove(*code) > 0)
            emit tablesChanged();
    } else if (const auto name = readNamed(message)) {
        m_ownName = *name;
    } else if (const auto name = readHere(message)) {
        if (m_people[*name]++ == 0)
            emit peopleChanged();
    } else if (const auto name = readAway(message)) {
        const auto it = m_people.find(*name);
        if (it == m_people.end())
            return;
        if (--it.value() <= 0) {
            m_people.erase(it);
            emit peopleChanged();
        }
    } else if (const auto line = readChat(message)) {
        emit chatLine(line->name, line->text);
    } else if (const auto error = readError(message)) {
        emit notice(error->text);
    }
}

void LobbyFeed::onLost(const QString& why, Reach reach) {
    m_listing = false;
    m_entering = false;
    m_snapshot.clear();
    clearPeople();
    setReach(reach, why);
}

void LobbyFeed::setReach(Reach reach, const QString& problem) {
    if (reach == m_reach && problem == m_problem)
        return;
    m_reach = reach;
    m_problem = problem;
    emit reachChanged();
}

void LobbyFeed::setTables(const QMap<QString, lobbywire::TableEntry>& tables) {
    if (tables == m_tables)
        return;
    m_tables = tables;
    emit tablesChanged();
}

void LobbyFeed::clearPeople() {
    if (m_people.isEmpty())
        return;
    m_people.clear();
    emit peopleChanged();
}
