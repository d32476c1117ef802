// SPDX-License-Identifier: GPL-3.0-or-later
#include "workingfile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace workingfile {

namespace {

void writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::system_error(errno ? errno : EIO, std::generic_category(),
                                    "cannot write the dictionary's working file");
        done += static_cast<std::size_t>(n);
    }
}

} // namespace

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

void create(const std::string& path, const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(),
                                "cannot create the dictionary's working file " + path);
    try {
        writeAll(fd, bytes);
    } catch (...) {
        ::close(fd);
        ::unlink(path.c_str());
        throw;
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(path.c_str());
        throw std::system_error(err, std::generic_category(),
                                "cannot write the dictionary's working file " + path);
    }
}

void remove(const std::string& path) {
    ::unlink(path.c_str());
}

} // namespace workingfile
