// SPDX-License-Identifier: GPL-3.0-or-later
#include "console.h"

#include <cstdio>
#include <windows.h>

namespace console {

namespace {

bool redirected(DWORD which) {
    const HANDLE h = ::GetStdHandle(which);
    return h && h != INVALID_HANDLE_VALUE && ::GetFileType(h) != FILE_TYPE_UNKNOWN;
}

} // namespace

void attachToParent() {
    const bool out = redirected(STD_OUTPUT_HANDLE);
    const bool err = redirected(STD_ERROR_HANDLE);
    if ((out && err) || !::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!out)
        std::freopen("CONOUT$", "w", stdout);
    if (!err)
        std::freopen("CONOUT$", "w", stderr);
}

} // namespace console
