#pragma once
// A host's address as a player gives it: "HOST" or "HOST:PORT". The port is
// taken only when it is a whole number from 1 to 65535; anything else after
// the last colon stays part of the host name, whose look-up then fails with
// the socket component's own report.

#include <QString>

#include <optional>

struct HostPort {
    QString host;
    std::optional<quint16> port;
};

HostPort splitHostPort(const QString& address);
