// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small helpers for tests that hand-make word list files.

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// One 15-byte record per entry: 0x1E, then the entry's bytes as given (cut to 14),
// padded with blanks. Entries are written in the order given, unchecked, so tests
// can build lists that the generator never would.
inline std::string makeRecords(const std::vector<std::string>& entries) {
    std::string bytes;
    for (const std::string& e : entries) {
        std::string rec(15, ' ');
        rec[0] = '\x1e';
        rec.replace(1, std::min<std::size_t>(e.size(), 14), e.substr(0, 14));
        bytes += rec;
    }
    return bytes;
}

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
