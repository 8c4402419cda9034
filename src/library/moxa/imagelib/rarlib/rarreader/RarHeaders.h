#pragma once
// Block headers of a RAR 2.x archive, decoded field by field (little-endian).
#include <cstddef>
#include <cstdint>

namespace sunvale {

// The 13 bytes after the marker block.
struct ArchiveHeader {
    static constexpr size_t kSize = 13;
    static constexpr uint16_t kFlagSolid = 0x0008;

    uint16_t headCrc = 0;  // not checked
    uint8_t headType = 0;  // 0x73 in a valid archive; not checked
    uint16_t headFlags = 0;
    uint16_t headSize = 0;  // the header is followed by headSize - 13 further bytes

    static ArchiveHeader Parse(const uint8_t bytes[kSize]);
};

// Fixed part of a block header, read as the image of a file header.
struct FileHeader {
    static constexpr size_t kSize = 32;
    static constexpr uint8_t kTypeFile = 0x74;
    static constexpr uint8_t kTypeSubBlock = 0x77;  // old-style sub-block
    static constexpr uint16_t kFlagSolid = 0x0010;  // continues the solid stream
    static constexpr uint16_t kFlagEncrypted = 0x0004;
    static constexpr uint16_t kFlagLongBlock = 0x8000;  // PACK_SIZE bytes of data follow
    static constexpr uint8_t kMethodStored = 0x30;

    uint16_t HEAD_CRC = 0;
    uint8_t HEAD_TYPE = 0;
    uint16_t HEAD_FLAGS = 0;
    uint16_t HEAD_SIZE = 0;
    uint32_t PACK_SIZE = 0;
    uint32_t UNP_SIZE = 0;
    uint8_t HOST_OS = 0;
    uint32_t FILE_CRC = 0;
    uint32_t FTIME = 0;
    uint8_t UNP_VER = 0;
    uint8_t METHOD = 0;
    uint16_t NAME_SIZE = 0;
    uint32_t ATTR = 0;

    // `bytes` holds the 32-byte image; bytes past the end of a short read are 0.
    static FileHeader Parse(const uint8_t bytes[kSize]);
};

}  // namespace sunvale
