// Block scanning of RAR 2.x archives: the marker check and the walk from one
// file header to the next by the sizes the headers announce.
#include "library/moxa/imagelib/rarlib/rarreader/RarHeaderScan.h"

#include <cstring>

#include "library/moxa/imagelib/rarlib/rarreader/RarCrc32.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarLog.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarState.h"

namespace sunvale {

namespace {

constexpr uint8_t kRarMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr uint8_t kZafeloMarker[7] = {'Z', 'a', 'f', 'e', 'l', 'o', '!'};
constexpr uint8_t kOldMarker[4] = {0x52, 0x45, 0x7E, 0x5E};
constexpr uint32_t kMinHeadSize = 7;
constexpr size_t kMaxName = RarState::kNameBuffer - 1;

char Canonical(char c)
{
    if (c == '\\' || c == '/') return '_';
    if (c >= 'a' && c <= 'z') return char(c - 'a' + 'A');
    return c;
}

}  // namespace

bool CheckMarker(RarState& s)
{
    uint8_t marker[7];
    if (std::fread(marker, 1, sizeof marker, s.archive) != sizeof marker) return false;
    if (std::memcmp(marker, kOldMarker, sizeof kOldMarker) == 0) {
        RAR_LOG("Attention: format as OLD detected! Can't handel archive!");
        return false;
    }
    if (std::memcmp(marker, kRarMarker, 7) == 0 || std::memcmp(marker, kZafeloMarker, 7) == 0) {
        uint8_t header[ArchiveHeader::kSize];
        if (std::fread(header, 1, sizeof header, s.archive) != sizeof header) return false;
        s.archiveHeader = ArchiveHeader::Parse(header);
        return true;
    }
    RAR_LOG(
        "unknown archive type (only plain RAR supported (normal and solid archives), SFX and "
        "Volumes are NOT supported!)");
    return false;
}

ScanResult NextFileHeader(RarState& s)
{
    const FileHeader saved = s.fileHeader;
    uint8_t image[FileHeader::kSize];
    for (;;) {
        s.blockStart = std::ftell(s.archive);
        // A short read at the end of the file leaves the missing bytes zero.
        std::memset(image, 0, sizeof image);
        const size_t got = std::fread(image, 1, sizeof image, s.archive);
        if (got == 0 || s.blockStart < 0) {
            s.fileHeader = saved;
            return ScanResult::None;
        }
        s.fileHeader = FileHeader::Parse(image);
        const FileHeader& h = s.fileHeader;
        // Every block header holds at least CRC, type, flags and size.
        if (h.HEAD_SIZE < kMinHeadSize) {
            s.fileHeader = saved;
            return ScanResult::None;
        }
        long next = s.blockStart + long(h.HEAD_SIZE);
        if (h.HEAD_FLAGS & FileHeader::kFlagLongBlock) next += long(h.PACK_SIZE);
        s.nextBlock = next;
        if (h.HEAD_TYPE == FileHeader::kTypeSubBlock) {
            s.fileHeader = saved;
            std::fseek(s.archive, s.blockStart, SEEK_SET);
            return ScanResult::SubBlock;
        }
        if (h.HEAD_TYPE == FileHeader::kTypeFile) break;
        // Comments, end-of-archive markers and other blocks: passed over.
        if (std::fseek(s.archive, next, SEEK_SET) != 0) {
            s.fileHeader = saved;
            return ScanResult::None;
        }
    }

    // Only the first 259 bytes of a longer name are kept.
    FileHeader& h = s.fileHeader;
    const size_t nameWanted = h.NAME_SIZE < kMaxName ? h.NAME_SIZE : kMaxName;
    const size_t nameLength = std::fread(s.entryName, 1, nameWanted, s.archive);
    s.entryName[nameLength] = '\0';
    h.NAME_SIZE = uint16_t(nameLength);

    // The stored CRC covers the header from its type byte on, then the name.
    // A mismatch is only logged: the entry's own CRC still guards its data.
    uint32_t crc = RarCrc32::Update(0xFFFFFFFFu, image + 2, FileHeader::kSize - 2);
    crc = RarCrc32::Update(crc, reinterpret_cast<const uint8_t*>(s.entryName), nameLength);
    if (uint16_t(~crc) != h.HEAD_CRC) RAR_LOG("file header broken");
    return ScanResult::File;
}

bool NamesEqual(const char* wanted, const char* entryName)
{
    char a[RarState::kNameBuffer];
    char b[RarState::kNameBuffer];
    std::strncpy(a, wanted, kMaxName);
    std::strncpy(b, entryName, kMaxName);
    a[kMaxName] = '\0';
    b[kMaxName] = '\0';
    for (char* p = a; *p; ++p) *p = Canonical(*p);
    for (char* p = b; *p; ++p) *p = Canonical(*p);
    return std::strcmp(a, b) == 0;
}

}  // namespace sunvale
