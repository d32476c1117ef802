// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordmap.h"
#include "widepath.h"

#include <climits>
#include <windows.h>

bool RecordMap::open(const std::string& path) {
    close();
    // Read-only and shared, so that the list may be read by others and removed
    // once it is unmapped.
    const HANDLE file = ::CreateFileW(widepath::from(path).c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    file_ = reinterpret_cast<std::intptr_t>(file);
    LARGE_INTEGER size{};
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileSizeEx(file, &size)) {
        close();
        return false;
    }
    // The caller's record numbers are ints; a list beyond that many records could
    // not be addressed anyway.
    std::size_t count = static_cast<std::size_t>(size.QuadPart) / kRecordSize;
    if (count > static_cast<std::size_t>(INT_MAX))
        count = static_cast<std::size_t>(INT_MAX);
    if (count == 0)
        return true;
    const std::size_t bytes = count * kRecordSize;
    const HANDLE mapping = ::CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping) {
        close();
        return false;
    }
    mapping_ = reinterpret_cast<std::intptr_t>(mapping);
    const void* view = ::MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, bytes);
    if (!view) {
        close();
        return false;
    }
    base_ = static_cast<const unsigned char*>(view);
    mappedBytes_ = bytes;
    count_ = count;
    return true;
}

void RecordMap::close() {
    if (base_)
        ::UnmapViewOfFile(base_);
    base_ = nullptr;
    mappedBytes_ = 0;
    count_ = 0;
    if (mapping_)
        ::CloseHandle(reinterpret_cast<HANDLE>(mapping_));
    mapping_ = 0;
    if (file_ != -1)
        ::CloseHandle(reinterpret_cast<HANDLE>(file_));
    file_ = -1;
}
