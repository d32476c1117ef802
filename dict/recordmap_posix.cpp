// SPDX-License-Identifier: GPL-3.0-or-later
#include "recordmap.h"

#include <climits>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

bool RecordMap::open(const std::string& path) {
    close();
    // Only reads are ever made, so the file is opened read-only: a list that the
    // user may not write to is still a usable list.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    file_ = fd;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close();
        return false;
    }
    // The caller's record numbers are ints; a list beyond that many records could
    // not be addressed anyway.
    std::size_t count = static_cast<std::size_t>(st.st_size) / kRecordSize;
    if (count > static_cast<std::size_t>(INT_MAX))
        count = static_cast<std::size_t>(INT_MAX);
    if (count == 0)
        return true;
    const std::size_t bytes = count * kRecordSize;
    void* map = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        close();
        return false;
    }
    base_ = static_cast<const unsigned char*>(map);
    mappedBytes_ = bytes;
    count_ = count;
    return true;
}

void RecordMap::close() {
    if (base_)
        ::munmap(const_cast<unsigned char*>(base_), mappedBytes_);
    base_ = nullptr;
    mappedBytes_ = 0;
    count_ = 0;
    if (file_ >= 0)
        ::close(int(file_));
    file_ = -1;
}
