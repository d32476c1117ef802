// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Times discovery on this network: a table hosted by the lobby client
// library's own TableHost (no service, answering on a free UDP port of this
// machine) and raw UDP sockets asking it, each query made by lobbywire::query
// and each answer read by lobbywire::readAnswer. The askers take turns from
// their own loopback addresses, 127.3.0.1 and up, and ask below the
// responder's limits (DiscoveryResponder::kMaxAnswersPerSource a second from
// one address, kMaxAnswersPerSecond in all), so every query deserves an
// answer: one that gets none within a second counts as unanswered.

#include <QObject>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class QSocketNotifier;
class QTimer;
class TableHost;

class DiscoveryProbe : public QObject {
    Q_OBJECT
public:
    explicit DiscoveryProbe(QObject* parent = nullptr);
    ~DiscoveryProbe() override;

    // Hosts the table and begins asking; false, with `error`, when it can't.
    bool start(QString& error);
    // Stops asking; answers still on their way are taken for another second.
    void stop();
    bool finished() const { return m_finished; }

    const std::vector<std::int64_t>& roundTripsNs() const { return m_rtts; }
    int asked() const { return m_asked; }
    int unanswered() const { return m_unanswered; }
    int wrong() const { return m_wrong; } // answers that were not our table's

signals:
    void done();

private:
    void ask();
    void onReadable(int fd);

    std::unique_ptr<TableHost> m_host;
    quint16 m_port = 0;
    std::vector<int> m_fds;
    std::vector<QSocketNotifier*> m_notifiers;
    QTimer* m_timer = nullptr;
    std::map<QString, std::int64_t> m_pending; // token -> when asked
    std::vector<std::int64_t> m_rtts;
    int m_asked = 0;
    int m_unanswered = 0;
    int m_wrong = 0;
    std::size_t m_next = 0;
    bool m_finished = false;
};
