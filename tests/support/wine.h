// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Windows build of the tests runs under Wine, whose sockets, pipes and
// console differ from Windows' in a few places. A case that meets one of them
// is skipped there, saying which; on Windows itself and on Linux it runs.

#ifdef _WIN32
#include <windows.h>

inline bool underWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}
#else
inline bool underWine() {
    return false;
}
#endif

#define SKIP_UNDER_WINE(why)                                                                       \
    if (underWine())                                                                               \
    GTEST_SKIP() << "under Wine: " why
