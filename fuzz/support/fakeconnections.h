// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The connections of a core driven with no socket (server_inbound,
// lobby_service_inbound), as its fake transport keeps them and as the input
// works on them. A connection is known by the id the core was told; its
// record, the target's own Link, has at least:
//   bool open       the core may send on it: it neither closed it nor was told
//                   of its end
//   bool refusing   its sends fail
//   qsizetype unsent bytes the system has not taken; while any are waiting,
//                   everything sent piles up behind them
// A close the core asks for is reported back to it as the transport's
// contract allows: at once from inside the close, later, or never.

#include "fuzzing.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>
#include <map>
#include <vector>

namespace fuzzing {

enum class CloseReport { Never, Inside, Later };

template <typename Link> class FakeConnections {
public:
    std::map<quint64, Link> links;
    CloseReport report = CloseReport::Never;
    // The core's closed(), for the closes reported from inside close().
    std::function<void(quint64 id)> reportClose;
    // The closes held back (CloseReport::Later) until the input reports them.
    std::vector<quint64> lateCloses;
    // The addresses connections come from; an empty one stands for an
    // address the host could not tell.
    std::array<QString, 4> addresses;

    struct Opened {
        quint64 id;
        QString address;
    };
    // A new connection, open, from the address an operand byte names; the
    // target then tells its core.
    Opened open(Input& in) {
        const quint64 id = ++m_lastId;
        m_ids.push_back(id);
        links[id] = Link{};
        return {id, addresses[in.byte() % addresses.size()]};
    }

    // The id an operand byte names among every id opened so far (closed ones
    // included: late events for them must do nothing); 0 before the first.
    quint64 pick(Input& in) const {
        const uint8_t k = in.byte();
        return m_ids.empty() ? 0 : m_ids[k % m_ids.size()];
    }

    // The record of a connection the core sends on, which must be open.
    Link& sendingTo(quint64 id) {
        const auto it = links.find(id);
        FUZZ_CHECK(it != links.end() && it->second.open);
        return it->second;
    }
    // Whether the transport takes `size` bytes sent on the connection.
    static bool take(Link& link, qsizetype size) {
        if (link.refusing)
            return false;
        if (link.unsent > 0)
            link.unsent += size;
        return true;
    }

    // The transport's close(): the core closes a connection that is open.
    void close(quint64 id) {
        sendingTo(id).open = false;
        if (report == CloseReport::Inside)
            reportClose(id);
        else if (report == CloseReport::Later)
            lateCloses.push_back(id);
    }
    qsizetype unsent(quint64 id) const {
        const auto it = links.find(id);
        return it == links.end() ? 0 : it->second.unsent;
    }

    // The input's operations on a connection it names.
    // Its peer went: it is closed, and the id is the core's to be told.
    quint64 peerClosed(Input& in) {
        const quint64 id = pick(in);
        if (const auto it = links.find(id); it != links.end())
            it->second.open = false;
        return id;
    }
    // Its sends fail from now on.
    void refuse(Input& in) {
        if (const auto it = links.find(pick(in)); it != links.end())
            it->second.refusing = true;
    }
    // An amount byte times `unit` bytes of its output (and one more) stay
    // unsent; the amount is read only when the connection exists.
    void stall(Input& in, qsizetype unit) {
        if (const auto it = links.find(pick(in)); it != links.end())
            it->second.unsent += qsizetype(in.byte()) * unit + 1;
    }

private:
    quint64 m_lastId = 0;
    std::vector<quint64> m_ids;
};

// What arrives on a connection, in the input's two forms:
// a length (one byte, or two when the first is 0xF0 or more) and the bytes;
inline QByteArray bytesOperand(Input& in) {
    std::size_t length = in.byte();
    if (length >= 0xF0)
        length = (length - 0xF0) << 8 | in.byte();
    const std::string_view bytes = in.take(length);
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}
// a count and a byte: count * 64 copies of it (a long message, or a burst of
// empty ones, from a short input).
inline QByteArray fillOperand(Input& in) {
    const int count = in.byte();
    return QByteArray(count * 64, char(in.byte()));
}

} // namespace fuzzing
