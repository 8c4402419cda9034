// Decoding of the archive header and the fixed part of file headers.
#include "library/moxa/imagelib/rarlib/rarreader/RarHeaders.h"

namespace sunvale {

namespace {

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

ArchiveHeader ArchiveHeader::Parse(const uint8_t bytes[kSize])
{
    ArchiveHeader h;
    h.headCrc = Le16(bytes);
    h.headType = bytes[2];
    h.headFlags = Le16(bytes + 3);
    h.headSize = Le16(bytes + 5);
    return h;
}

FileHeader FileHeader::Parse(const uint8_t bytes[kSize])
{
    FileHeader h;
    h.HEAD_CRC = Le16(bytes);
    h.HEAD_TYPE = bytes[2];
    h.HEAD_FLAGS = Le16(bytes + 3);
    h.HEAD_SIZE = Le16(bytes + 5);
    h.PACK_SIZE = Le32(bytes + 7);
    h.UNP_SIZE = Le32(bytes + 11);
    h.HOST_OS = bytes[15];
    h.FILE_CRC = Le32(bytes + 16);
    h.FTIME = Le32(bytes + 20);
    h.UNP_VER = bytes[24];
    h.METHOD = bytes[25];
    h.NAME_SIZE = Le16(bytes + 26);
    h.ATTR = Le32(bytes + 28);
    return h;
}

}  // namespace sunvale
