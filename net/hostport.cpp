#include "hostport.h"

HostPort splitHostPort(const QString& address) {
    const qsizetype colon = address.lastIndexOf(u':');
    if (colon <= 0)
        return {address, std::nullopt};
    const QString digits = address.mid(colon + 1);
    bool ok = false;
    const uint port = digits.toUInt(&ok);
    const bool allDigits =
        std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!ok || !allDigits || digits.size() > 5 || port < 1 || port > 65535)
        return {address, std::nullopt};
    return {address.left(colon), quint16(port)};
}
