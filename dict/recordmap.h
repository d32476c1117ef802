// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// RecordMap: the dictionary's working file, mapped read-only, seen as 15-byte records.
//
// A lookup reads its records straight from the mapping, so it costs no system call.
// The record count is the file size divided by 15, rounded down: trailing bytes that
// do not fill a record are not a record. An empty file has no records and no mapping.

#include <cstddef>
#include <cstdint>
#include <string>

class RecordMap {
public:
    static constexpr std::size_t kRecordSize = 15;

    RecordMap() = default;
    ~RecordMap() { close(); }
    RecordMap(const RecordMap&) = delete;
    RecordMap& operator=(const RecordMap&) = delete;

    // Opens and maps the file for reading. False when it cannot be opened, is not a
    // regular file, or cannot be mapped; the map is then empty.
    bool open(const std::string& path);
    void close();

    std::int64_t lastIndex() const { return static_cast<std::int64_t>(count_) - 1; }
    // The record numbered i, 0 <= i <= lastIndex().
    const unsigned char* record(std::int64_t i) const {
        return base_ + static_cast<std::size_t>(i) * kRecordSize;
    }

private:
    // The open file (a descriptor, or a Windows handle) and, on Windows, the
    // file mapping object; -1 and 0 when none. recordmap_posix.cpp and
    // recordmap_windows.cpp are the two sides.
    std::intptr_t file_ = -1;
    std::intptr_t mapping_ = 0;
    const unsigned char* base_ = nullptr;
    std::size_t mappedBytes_ = 0;
    std::size_t count_ = 0;
};
