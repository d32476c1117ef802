// SPDX-License-Identifier: GPL-3.0-or-later
#include "widepath.h"
#include "workingfile.h"

#include <algorithm>
#include <system_error>
#include <windows.h>

namespace workingfile {

namespace {

[[noreturn]] void fail(DWORD error, const std::string& what) {
    throw std::system_error(int(error), std::system_category(), what);
}

} // namespace

bool exists(const std::string& path) {
    return ::GetFileAttributesW(widepath::from(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void create(const std::string& path, const std::string& bytes) {
    const std::wstring wide = widepath::from(path);
    // The working folder is this process's own, made for it in the user's
    // temporary folder, whose permissions keep other users out.
    const HANDLE file = ::CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        fail(::GetLastError(), "cannot create the dictionary's working file " + path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = DWORD(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            const DWORD error = ::GetLastError();
            ::CloseHandle(file);
            ::DeleteFileW(wide.c_str());
            fail(error, "cannot write the dictionary's working file");
        }
        done += written;
    }
    if (!::CloseHandle(file)) {
        const DWORD error = ::GetLastError();
        ::DeleteFileW(wide.c_str());
        fail(error, "cannot write the dictionary's working file " + path);
    }
}

void remove(const std::string& path) {
    ::DeleteFileW(widepath::from(path).c_str());
}

} // namespace workingfile
