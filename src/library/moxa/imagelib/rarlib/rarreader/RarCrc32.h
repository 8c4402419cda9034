#pragma once
// CRC-32 (reflected polynomial 0xEDB88320) as RAR uses it for header and file
// checksums and inside the RAR 2.0 key schedule.
#include <array>
#include <cstddef>
#include <cstdint>

namespace sunvale {

class RarCrc32 {
public:
    using Table = std::array<uint32_t, 256>;

    // The byte table: for each byte value, eight rounds of shift right by one,
    // xor 0xEDB88320 when the bit shifted out was 1.
    static constexpr Table BuildTable()
    {
        Table table{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            table[i] = c;
        }
        return table;
    }

    // Running update; start with 0xFFFFFFFF, the checksum is the complement.
    static uint32_t Update(uint32_t crc, const uint8_t* data, size_t size);
    // Complemented CRC-32 of a whole buffer (what FILE_CRC stores).
    static uint32_t Checksum(const uint8_t* data, size_t size)
    {
        return ~Update(0xFFFFFFFFu, data, size);
    }
};

// Compile-time byte table, shared read-only by every user.
inline constexpr RarCrc32::Table kRarCrcTable = RarCrc32::BuildTable();

}  // namespace sunvale
