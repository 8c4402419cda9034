// Reads the block headers of a RAR 2.x archive (no data decoding): the
// archive flags and each file entry's header fields, for listings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sunvale {

struct RarDirectoryEntry {
    std::string name;  // as stored (backslash separators)
    uint16_t flags = 0;
    uint32_t packSize = 0;
    uint32_t unpSize = 0;
    uint8_t hostOs = 0;
    uint32_t fileCrc = 0;
    uint32_t dosTime = 0;
    uint8_t unpVer = 0;
    uint8_t method = 0;
    uint32_t attributes = 0;
    bool headerCrcOk = false;
    uint64_t blockOffset = 0;  // archive offset of the file header
    uint64_t dataOffset = 0;   // archive offset of the packed data
};

class RarDirectory {
public:
    // Walks all blocks of the archive image. Fails with a reason on a bad
    // marker, a truncated header or a block that leaves the file.
    bool Read(const uint8_t* data, size_t size, std::string* error);

    bool Solid() const { return (archiveFlags_ & 0x0008) != 0; }
    uint16_t ArchiveFlags() const { return archiveFlags_; }
    const std::vector<RarDirectoryEntry>& Entries() const { return entries_; }

private:
    uint16_t archiveFlags_ = 0;
    std::vector<RarDirectoryEntry> entries_;
};

}  // namespace sunvale
