// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows only: a UTF-8 path as the wide string Windows' file functions take.

#include <string>
#include <windows.h>

namespace widepath {

inline std::wstring from(const std::string& path) {
    if (path.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, path.data(), int(path.size()), nullptr, 0);
    std::wstring wide(std::size_t(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, path.data(), int(path.size()), wide.data(), n);
    return wide;
}

} // namespace widepath
