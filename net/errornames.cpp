// SPDX-License-Identifier: GPL-3.0-or-later
// Report-kind names and Windows Sockets error names. Owners compare report
// texts such as "Error #10061 (WSAECONNREFUSED)" exactly, so errors keep the
// Windows numbering on every system (sysock.h translates).

#include "tsock.h"

QString socketInfoName(TSocketInfo kind) {
    switch (kind) {
    case TSocketInfo::Lookup:
        return QStringLiteral("Lookup");
    case TSocketInfo::Connect:
        return QStringLiteral("Connect");
    case TSocketInfo::Close:
        return QStringLiteral("Close");
    case TSocketInfo::Listen:
        return QStringLiteral("Listen");
    case TSocketInfo::Receive:
        return QStringLiteral("Receive");
    case TSocketInfo::Send:
        return QStringLiteral("Send");
    case TSocketInfo::Accept:
        return QStringLiteral("Accept");
    case TSocketInfo::Error:
        return QStringLiteral("Error");
    }
    return QString();
}

namespace {

struct NamedError {
    int code;
    const char* name;
};

constexpr NamedError kErrorNames[] = {
    {10004, "WSAEINTR"},           {10009, "WSAEBADF"},        {10013, "WSAEACCES"},
    {10014, "WSAEFAULT"},          {10022, "WSAEINVAL"},       {10024, "WSAEMFILE"},
    {10035, "WSAEWOULDBLOCK"},     {10036, "WSAEINPROGRESS"},  {10037, "WSAEALREADY"},
    {10038, "WSAENOTSOCK"},        {10039, "WSAEDESTADDRREQ"}, {10040, "WSAEMSGSIZE"},
    {10041, "WSAEPROTOTYPE"},      {10042, "WSAENOPROTOOPT"},  {10043, "WSAEPROTONOSUPPORT"},
    {10044, "WSAESOCKTNOSUPPORT"}, {10045, "WSAEOPNOTSUPP"},   {10046, "WSAEPFNOSUPPORT"},
    {10047, "WSAEAFNOSUPPORT"},    {10048, "WSAEADDRINUSE"},   {10049, "WSAEADDRNOTAVAIL"},
    {10050, "WSAENETDOWN"},        {10051, "WSAENETUNREACH"},  {10052, "WSAENETRESET"},
    {10053, "WSAECONNABORTED"},    {10054, "WSAECONNRESET"},   {10055, "WSAENOBUFS"},
    {10056, "WSAEISCONN"},         {10057, "WSAENOTCONN"},     {10058, "WSAESHUTDOWN"},
    {10059, "WSAETOOMANYREFS"},    {10060, "WSAETIMEDOUT"},    {10061, "WSAECONNREFUSED"},
    {10062, "WSAELOOP"},           {10063, "WSAENAMETOOLONG"}, {10064, "WSAEHOSTDOWN"},
    {10065, "WSAEHOSTUNREACH"},    {10066, "WSAENOTEMPTY"},    {10067, "WSAEPROCLIM"},
    {10068, "WSAEUSERS"},          {10069, "WSAEDQUOT"},       {10070, "WSAESTALE"},
    {10071, "WSAEREMOTE"},         {10091, "WSASYSNOTREADY"},  {10092, "WSAVERNOTSUPPORTED"},
    {10093, "WSANOTINITIALISED"},  {10101, "WSAEDISCON"},      {11001, "WSAHOST_NOT_FOUND"},
    {11002, "WSATRY_AGAIN"},       {11003, "WSANO_RECOVERY"},  {11004, "WSANO_DATA"},
};

} // namespace

QString TSock::errorName(int wsaError) {
    for (const NamedError& e : kErrorNames) {
        if (e.code == wsaError) {
            return QString::fromLatin1(e.name);
        }
    }
    return QStringLiteral("UNKNOWN ERROR");
}

QString TSock::listenProblem(const QString& port, int wsaError) {
    switch (wsaError) {
    case 10048:
        return QStringLiteral("Port %1 is already in use: another program (perhaps another "
                              "game) is listening on it.")
            .arg(port);
    case 10013:
        return QStringLiteral("Port %1 is not permitted: the system does not let this program "
                              "listen on it (ports below 1024 usually need the administrator's "
                              "rights).")
            .arg(port);
    default:
        return QStringLiteral("Port %1 could not be had: Error #%2 (%3).")
            .arg(port)
            .arg(wsaError)
            .arg(errorName(wsaError));
    }
}
