// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdata.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

Bytes randomBytes(std::size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out)
        b = uint8_t(rng());
    return out;
}

Bytes textBytes(std::size_t n, uint32_t seed) {
    static const char* const words[] = {
        "the",    "quick",   "brown", "fox",   "jumps",  "over", "lazy", "dog",   "word",
        "game",   "round",   "score", "tally", "player", "wins", "Grob", "table", "starter",
        "prefix", "letters", "and",   "of",    "a",      "to",   "chat", "seat",  "spy"};
    std::mt19937 rng(seed);
    std::string text;
    while (text.size() < n) {
        text += words[rng() % std::size(words)];
        text += (rng() % 12 == 0) ? "\r\n" : " ";
    }
    text.resize(n);
    return bytesOf(text);
}

Bytes runBytes(std::size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out;
    while (out.size() < n)
        out.insert(out.end(), 1 + rng() % 5000, uint8_t(rng()));
    out.resize(n);
    return out;
}

Bytes recordBytes(std::size_t n) {
    Bytes out;
    for (uint32_t i = 0; out.size() < n; ++i) {
        const uint8_t rec[12] = {uint8_t(i), uint8_t(i >> 8), 0,    0,    'R',           'E', 'C',
                                 0,          uint8_t(i * 7),  0xFF, 0xFE, uint8_t(i % 3)};
        out.insert(out.end(), rec, rec + sizeof rec);
    }
    out.resize(n);
    return out;
}

Bytes blankLedBytes(std::size_t n, uint32_t seed) {
    Bytes out(std::min<std::size_t>(n, 300), ' ');
    const Bytes rest = textBytes(n - out.size(), seed);
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

TempDir::TempDir() {
    // create_directory() answers false for a name already taken, so two runs
    // never share a folder.
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                          ("vorlix-compress-" + std::to_string(random()));
        std::error_code ec;
        if (std::filesystem::create_directory(dir, ec)) {
            m_dir = dir.string();
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary directory");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

std::string TempDir::path(const std::string& name) const {
    return m_dir + "/" + name;
}

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}
