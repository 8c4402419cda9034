// Table-driven CRC-32 shared by the packer and the archive directory walker.
#include "library/moxa/imagelib/rarlib/rarpacker/RarChecksum.h"

#include <array>

namespace sunvale {

namespace {

// One entry per byte value: eight shift/xor rounds of the reflected polynomial.
constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

}  // namespace

uint32_t RarChecksum::Update(uint32_t crc, const uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) crc = kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

uint32_t RarChecksum::Of(const uint8_t* data, size_t size) {
    return ~Update(0xFFFFFFFFu, data, size);
}

}  // namespace sunvale
