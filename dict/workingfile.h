// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dictionary's working file on the system's file functions:
// workingfile_posix.cpp and workingfile_windows.cpp are the two sides.

#include <string>

namespace workingfile {

// Whether anything stands under `path`, even a dangling link.
bool exists(const std::string& path);

// Writes `bytes` to a new file at `path` that only this user may read; the
// name must be free. A file that could not be written whole is removed again:
// a truncated list must never be searched, nor be taken for a valid one by a
// later run that finds it in place. Throws std::system_error.
void create(const std::string& path, const std::string& bytes);

// Removes the file; failures are ignored, nothing is left to do about them.
void remove(const std::string& path);

} // namespace workingfile
