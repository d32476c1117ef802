// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Inputs for the codec tests: each kind of data the codecs treat differently.

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const std::string& text);
Bytes randomBytes(std::size_t n, uint32_t seed);
// English-like text: words from a small vocabulary, with spaces and CR LF.
Bytes textBytes(std::size_t n, uint32_t seed);
// Runs of random lengths (1 to 5,000) of random bytes.
Bytes runBytes(std::size_t n, uint32_t seed);
// Structured binary: little records with counters and repeated fields.
Bytes recordBytes(std::size_t n);
// Text that starts with a long stretch of blanks.
Bytes blankLedBytes(std::size_t n, uint32_t seed);

// A temporary directory removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string path(const std::string& name) const;

private:
    std::string m_dir;
};

Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& data);
bool fileExists(const std::string& path);
