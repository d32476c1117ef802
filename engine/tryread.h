// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The engine reads every client message with its reader from readers.h; one
// whose number field does not convert is dropped whole, before it changes
// anything.

#include "inttext.h"

#include <QByteArray>

#include <optional>

template <typename Reader>
auto tryRead(Reader reader, const QByteArray& payload) -> std::optional<decltype(reader(payload))> {
    try {
        return reader(payload);
    } catch (const wire::EConvertError&) {
        return std::nullopt;
    }
}
