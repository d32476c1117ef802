// Feeds arbitrary bytes to the decoders and the container, and round-trips
// them through both coders. The first byte picks the target.

#include "tlzh.h"
#include "tlzr.h"
#include "tlzrw1.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void lzrwBlock(const uint8_t* data, std::size_t size) {
    static TLZR codec;
    // Exact-size heap buffers, so any read or write outside them is caught.
    const std::size_t m = std::min<std::size_t>(size, 0xFFFF);
    auto in = std::make_unique<uint8_t[]>(m ? m : 1);
    std::memcpy(in.get(), data, m);
    auto out = std::make_unique<uint8_t[]>(TLZR::BlockSize);
    bool damaged = false;
    if (codec.DecompressBlock(in.get(), out.get(), m, &damaged) > TLZR::BlockSize)
        std::abort();
}

void lzhStream(const uint8_t* data, std::size_t size) {
    if (size < 2)
        return;
    const int64_t count = int64_t(data[0]) << 8 | data[1];
    std::size_t pos = 2;
    int64_t produced = 0;
    TLZH codec;
    codec.LZHUnpack(
        count,
        [&](uint8_t& b) {
            if (pos == size)
                return false;
            b = data[pos++];
            return true;
        },
        [&](uint8_t) { ++produced; });
    if (produced < count || produced > count + 59)
        std::abort();
}

void roundTrip(const uint8_t* data, std::size_t size) {
    static TLZR lzr;
    const std::size_t n = std::min(size, TLZR::BlockSize);
    Bytes packed(n + TLZR::OutputSlack);
    const uint16_t length = lzr.CompressBlock(data, packed.data(), n);
    if (length > n + 1)
        std::abort();
    Bytes back(TLZR::BlockSize);
    bool damaged = true;
    if (lzr.DecompressBlock(packed.data(), back.data(), length, &damaged) != n || damaged ||
        std::memcmp(back.data(), data, n) != 0)
        std::abort();

    TLZH lzh;
    Bytes coded;
    std::size_t pos = 0;
    lzh.LZHPack(
        [&](uint8_t& b) {
            if (pos == size)
                return false;
            b = data[pos++];
            return true;
        },
        [&](uint8_t b) { coded.push_back(b); });
    Bytes decoded;
    pos = 0;
    lzh.LZHUnpack(
        int64_t(size),
        [&](uint8_t& b) {
            if (pos == coded.size())
                return false;
            b = coded[pos++];
            return true;
        },
        [&](uint8_t b) { decoded.push_back(b); });
    if (decoded.size() != size || (size && std::memcmp(decoded.data(), data, size) != 0))
        std::abort();
}

void container(const uint8_t* data, std::size_t size) {
    std::stringstream in(std::string(reinterpret_cast<const char*>(data), size)), out;
    Tlzrw1 c;
    c.UseStream = true;
    c.InputStream = &in;
    c.OutputStream = &out;
    try {
        const int64_t written = c.Decompress();
        if (written != int64_t(out.str().size()))
            std::abort();
    } catch (const ELzrw1Exception&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const uint8_t target = data[0];
    ++data;
    --size;
    switch (target % 4) {
    case 0:
        lzrwBlock(data, size);
        break;
    case 1:
        lzhStream(data, size);
        break;
    case 2:
        roundTrip(data, size);
        break;
    default:
        container(data, size);
        break;
    }
    return 0;
}
