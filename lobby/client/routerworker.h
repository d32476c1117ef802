// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// RouterWorker: PortMapper's side on its worker thread. It holds what the
// router was told (the IGD found, the NAT-PMP socket, the mapping made) and
// runs one request at a time, in the order posted, each blocking until the
// router answered or its wait ran out; every result goes back by done().
// Nothing here touches the PortMapper itself.

#include "portmapper.h"

#include <QMetaType>
#include <QObject>

#include <memory>
#include <optional>

class NatPmpGateway;
class UpnpIgd;

struct RouterResult {
    enum Operation { Map, Renew, Unmap };
    int operation = Map;
    quint64 generation = 0;
    bool ok = false;
    PortMapping mapping;
    QString why; // when !ok, for a player
};
Q_DECLARE_METATYPE(RouterResult)

class RouterWorker : public QObject {
    Q_OBJECT
public:
    explicit RouterWorker(PortMapper::Options options);
    ~RouterWorker() override;

    // On the worker's thread.
    void run(int operation, quint64 generation);

signals:
    void done(const RouterResult& result);

private:
    RouterResult map();
    RouterResult renew();
    RouterResult unmap();
    // Forgets the IGD and the NAT-PMP socket, removing the mapping first.
    bool release();
    int natPmpLease() const;

    PortMapper::Options m_options;
    std::unique_ptr<UpnpIgd> m_igd;
    std::unique_ptr<NatPmpGateway> m_natPmp;
    std::optional<PortMapping> m_held;
};
