// CRC-32 (reflected polynomial 0xEDB88320) as RAR uses it for file data and,
// cut to 16 bits, for block headers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sunvale {

class RarChecksum {
public:
    // Continues a running CRC; start with 0xFFFFFFFF and complement at the end.
    static uint32_t Update(uint32_t crc, const uint8_t* data, size_t size);
    // Complemented CRC-32 of one buffer.
    static uint32_t Of(const uint8_t* data, size_t size);
};

}  // namespace sunvale
