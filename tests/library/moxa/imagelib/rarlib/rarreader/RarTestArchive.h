#pragma once
// Test-only RAR 2.x archive builder around stored data or packed streams, and
// a RarExtract call that captures the result, the delivered bytes and the
// debug log of that call.
#include <cstdint>
#include <string>
#include <vector>

#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace rartest {

// One block of a test archive.
struct TestEntry {
    std::string name;
    std::vector<uint8_t> data;  // packed (or stored) bytes
    uint32_t unpSize = 0;
    uint32_t fileCrc = 0;
    uint8_t method = 0x33;  // 0x30 stored
    uint8_t unpVer = 20;
    uint16_t flags = 0x8000;
    uint8_t type = 0x74;
    bool breakHeaderCrc = false;
};

TestEntry StoredEntry(const std::string& name, const std::vector<uint8_t>& content,
                      uint8_t unpVer = 20);
// An entry (method 0x33) of `content` whose data is `packed`.
TestEntry PackedEntry(const std::string& name, const std::vector<uint8_t>& packed,
                      const std::vector<uint8_t>& content);
// The show's packer's archive of `entries` (names without folders), checked
// with unar as an independent extractor; throws when packing or unar fails.
std::vector<uint8_t> PackArchive(const std::vector<sunvale::RarPackEntry>& entries,
                                 const sunvale::RarPackOptions& options);
// The packed data of `content` as the packer writes it (level 3).
std::vector<uint8_t> PackStream(const std::vector<uint8_t>& content);

// What unar, as an independent extractor, makes of entry `name` of the
// archive image; false when unar fails or makes no such file.
bool UnarExtract(const std::vector<uint8_t>& archive, const std::string& name,
                 std::vector<uint8_t>* bytes);

std::vector<uint8_t> BuildArchive(const std::vector<TestEntry>& entries, bool solid = false,
                                  const std::string& marker = "", uint16_t archiveHeaderExtra = 0);

std::vector<uint8_t> Text(const std::string& s);

struct ExtractResult {
    int rc = -1;
    bool dataNull = false;
    uint32_t size = 0xDEADBEEF;
    std::vector<uint8_t> bytes;
    std::string log;
};

// Extracts `name` from the archive image written to a file under /tmp; an
// empty image leaves no file there at all.
ExtractResult ExtractFrom(const std::vector<uint8_t>& archive, const char* name,
                          const char* password = "");

}  // namespace rartest
