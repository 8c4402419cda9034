// Header walker for RAR 2.x archives: every block starts with CRC, type,
// flags and size; flag 0x8000 adds a 32-bit data size. File headers (0x74)
// are decoded as the show's reader decodes them; all other blocks are passed
// over by size.
#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"

#include <cstring>

#include "library/moxa/imagelib/rarlib/rarreader/RarCrc32.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarHeaders.h"

namespace sunvale {

namespace {

constexpr uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr size_t kFileHeaderFixed = FileHeader::kSize;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | (static_cast<uint32_t>(Get16(p + 2)) << 16); }

}  // namespace

bool RarDirectory::Read(const uint8_t* data, size_t size, std::string* error)
{
    std::string ignored;
    if (!error) error = &ignored;
    entries_.clear();
    archiveFlags_ = 0;
    // Marker block, then the 13-byte archive header.
    if (size < 7 + 13 || std::memcmp(data, kMarker, 7) != 0) {
        *error = "not a RAR 2.x archive";
        return false;
    }
    const ArchiveHeader ah = ArchiveHeader::Parse(data + 7);
    if (ah.headType != 0x73) {
        *error = "archive header missing";
        return false;
    }
    archiveFlags_ = ah.headFlags;
    const uint16_t ahSize = ah.headSize;
    if (ahSize < 13 || 7u + ahSize > size) {
        *error = "archive header size out of range";
        return false;
    }
    size_t pos = 7 + ahSize;
    while (pos < size) {
        // Every block needs its 7-byte base header.
        if (size - pos < 7) {
            *error = "truncated block header";
            return false;
        }
        const uint8_t* b = data + pos;
        const uint8_t type = b[2];
        const uint16_t flags = Get16(b + 3);
        const uint16_t headSize = Get16(b + 5);
        if (headSize < 7 || headSize > size - pos) {
            *error = "block header size out of range";
            return false;
        }
        uint64_t next = pos + static_cast<uint64_t>(headSize);
        if ((flags & 0x8000) && headSize >= 11) next += Get32(b + 7);
        if (next > size) {
            *error = "block data runs past the end of the archive";
            return false;
        }
        if (type == 0x74) {
            // File header: fixed fields, then the name within HEAD_SIZE.
            if (headSize < kFileHeaderFixed) {
                *error = "file header too short";
                return false;
            }
            const FileHeader h = FileHeader::Parse(b);
            RarDirectoryEntry e;
            e.flags = h.HEAD_FLAGS;
            e.packSize = h.PACK_SIZE;
            e.unpSize = h.UNP_SIZE;
            e.hostOs = h.HOST_OS;
            e.fileCrc = h.FILE_CRC;
            e.dosTime = h.FTIME;
            e.unpVer = h.UNP_VER;
            e.method = h.METHOD;
            const uint16_t nameSize = h.NAME_SIZE;
            e.attributes = h.ATTR;
            if (kFileHeaderFixed + nameSize > headSize) {
                *error = "file name runs past its header";
                return false;
            }
            e.name.assign(reinterpret_cast<const char*>(b + kFileHeaderFixed), nameSize);
            e.headerCrcOk = (RarCrc32::Checksum(b + 2, headSize - 2u) & 0xFFFF) == h.HEAD_CRC;
            e.blockOffset = pos;
            e.dataOffset = pos + headSize;
            entries_.push_back(std::move(e));
        }
        pos = static_cast<size_t>(next);
    }
    return true;
}

}  // namespace sunvale
