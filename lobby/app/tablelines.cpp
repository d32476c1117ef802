// SPDX-License-Identifier: GPL-3.0-or-later
#include "tablelines.h"

#include "lobbyreaders.h"
#include "servicelink.h"
#include "version.h"

#include <QTimer>

#include <algorithm>

namespace tablelines {

QString stateText(const lobbywire::TableState& state) {
    if (state.phase == lobbywire::Phase::Waiting)
        return QStringLiteral("waiting");
    return QStringLiteral("playing round %1 of %2").arg(state.round).arg(state.rounds);
}

namespace {

QString fields(const QString& id, const QString& tableName, const lobbywire::TableState& state,
               const QString& version) {
    return QStringList{id,
                       tableName,
                       QString::number(state.seated),
                       QString::number(state.spies),
                       stateText(state),
                       version}
        .join(u'\t');
}

} // namespace

QString line(const lobbywire::TableEntry& table) {
    return fields(table.code, table.tableName, table.state, table.version);
}

QString line(const LanTable& table) {
    return fields(table.key(), table.tableName, table.state, table.version);
}

} // namespace tablelines

DirectoryFetch::DirectoryFetch(lobbywire::HostPort service, QObject* parent)
    : QObject(parent), m_service(std::move(service)) {}

DirectoryFetch::~DirectoryFetch() = default;

void DirectoryFetch::start() {
    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] {
        const lobbywire::HostPort asked =
            m_instance == 0 ? m_service : alternates.value(m_instance - 1);
        instanceFailed(QStringLiteral("The lobby service at %1 did not send its list in time.")
                           .arg(lobbywire::hostPortText(asked)));
    });
    ask();
}

void DirectoryFetch::ask() {
    ServiceLink::Options options;
    options.service = m_instance == 0 ? m_service : alternates.value(m_instance - 1);
    options.program = QStringLiteral("kestrunlobby");
    options.version = QLatin1String(wire::kVersion);
    options.reconnect = false;
    m_link = new ServiceLink(options, this);
    connect(m_link, &ServiceLink::opened, this, [this] { m_link->send(lobbywire::watch()); });
    connect(m_link, &ServiceLink::message, this, &DirectoryFetch::onMessage);
    connect(m_link, &ServiceLink::lost, this, &DirectoryFetch::instanceFailed);
    connect(m_link, &ServiceLink::refused, this, &DirectoryFetch::instanceFailed);
    m_timer->start(timeoutMs);
    m_link->open();
}

void DirectoryFetch::instanceFailed(const QString& why) {
    if (m_done)
        return;
    if (m_instance >= alternates.size()) {
        fail(why);
        return;
    }
    m_timer->stop();
    // Possibly inside the link's own signal: it goes once that returns.
    disconnect(m_link, nullptr, this, nullptr);
    m_link->close();
    m_link->deleteLater();
    m_link = nullptr;
    m_tables.clear();
    ++m_instance;
    QTimer::singleShot(0, this, [this] {
        if (!m_done)
            ask();
    });
}

void DirectoryFetch::onMessage(const lobbywire::Message& message) {
    if (m_done)
        return;
    if (const std::optional<lobbywire::TableEntry> t = lobbywire::readTable(message)) {
        m_tables.insert(t->code, *t);
    } else if (const std::optional<QString> code = lobbywire::readGone(message)) {
        m_tables.remove(*code);
    } else if (lobbywire::isBare(message, lobbywire::name::listed)) {
        m_done = true;
        m_timer->stop();
        QList<lobbywire::TableEntry> tables = m_tables.values();
        std::stable_sort(tables.begin(), tables.end(), [](const auto& a, const auto& b) {
            const int c = QString::compare(a.tableName, b.tableName, Qt::CaseInsensitive);
            return c != 0 ? c < 0 : a.code < b.code;
        });
        m_link->close();
        emit fetched(tables);
    }
}

void DirectoryFetch::fail(const QString& why) {
    if (m_done)
        return;
    m_done = true;
    m_timer->stop();
    m_link->close();
    emit failed(why);
}
