// RarExtract: finds one entry of a RAR 2.x archive by name and hands back its
// unpacked content. Plain archives skip to the entry by block offsets; solid
// archives decode every entry before it, since the window and code tables
// carry over from one entry to the next.
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "library/moxa/imagelib/rarlib/rarreader/RarCrc32.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarHeaderScan.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarInput.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarLog.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarState.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarUnpacker.h"

namespace sunvale {

RarState gRar;

namespace {

constexpr uint8_t kMinUnpVer = 13;
constexpr uint8_t kMaxUnpVer = 20;
// One bit of packed data yields at most one match of this many bytes.
constexpr uint64_t kMaxBytesPerBit = 261;

// The one archive-name mapping (SetRarArchiveLocation); both empty when unset.
std::string gLocationName;
std::string gLocationPath;

// The file an archive name opens.
const char* ArchiveFilePath(const char* archiveName)
{
    if (!gLocationName.empty() && gLocationName == archiveName) return gLocationPath.c_str();
    return archiveName;
}

// Copies a text into a fixed buffer, cut to fit.
void CopyCut(char* destination, size_t bufferSize, const char* source)
{
    const size_t length = source ? strnlen(source, bufferSize - 1) : 0;
    if (length) std::memcpy(destination, source, length);
    destination[length] = '\0';
}

// The stored entry's bytes go straight to the output buffer; an entry that
// is not the wanted one is not read.
bool CopyStored(RarState& s)
{
    if (!s.entryFound) return true;
    const FileHeader& h = s.fileHeader;
    const uint32_t count = h.UNP_SIZE < h.PACK_SIZE ? h.UNP_SIZE : h.PACK_SIZE;
    *s.outputSize = ReadInput(s, s.output, count);
    return true;
}

// Allocates the wanted entry's output buffer after checking that its size
// is one the entry's data can produce at all, so that a forged UNP_SIZE never
// allocates gigabytes.
bool AllocateOutput(RarState& s, long fileSize)
{
    const FileHeader& h = s.fileHeader;
    const long dataStart = s.blockStart + long(h.HEAD_SIZE);
    const uint64_t available = fileSize > dataStart ? uint64_t(fileSize - dataStart) : 0;
    const uint64_t packed = h.PACK_SIZE < available ? h.PACK_SIZE : available;
    const uint64_t limit =
        h.METHOD == FileHeader::kMethodStored ? packed : packed * 8 * kMaxBytesPerBit;
    // Entries of 2 GiB and more are refused outright.
    if (h.UNP_SIZE > 0x7FFFFFFFu || h.UNP_SIZE > limit) return false;
    s.output = static_cast<uint8_t*>(std::malloc(h.UNP_SIZE ? h.UNP_SIZE : 1));
    return s.output != nullptr;
}

long FileSize(std::FILE* f)
{
    const long here = std::ftell(f);
    if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
    const long size = std::ftell(f);
    std::fseek(f, here, SEEK_SET);
    return size;
}

// Decodes (or, for a stored entry that is not wanted, passes over) the
// current entry; checks the wanted one's size and CRC.
bool DecodeEntry(RarState& s, bool wanted)
{
    const FileHeader& h = s.fileHeader;
    if (h.UNP_VER < kMinUnpVer || h.UNP_VER > kMaxUnpVer) {
        RAR_LOG("unknown compression method");
        return false;
    }
    s.encryptionVersion = 0;
    if (s.password[0] != '\0' && (h.HEAD_FLAGS & FileHeader::kFlagEncrypted)) {
        s.encryptionVersion = h.UNP_VER;
        s.cipher.InitCipher(s.password);
    }
    s.packedLeft = h.PACK_SIZE;
    s.remaining = int64_t(h.UNP_SIZE);
    // The data begins after the whole header, whatever part of it was read.
    std::fseek(s.archive, s.blockStart + long(h.HEAD_SIZE), SEEK_SET);

    const bool ok = h.METHOD == FileHeader::kMethodStored ? CopyStored(s) : Decompress(s);
    if (!ok) {
        RAR_LOG("Packed data ended before the file was complete!");
        return false;
    }
    if (wanted &&
        (*s.outputSize != h.UNP_SIZE || RarCrc32::Checksum(s.output, h.UNP_SIZE) != h.FILE_CRC)) {
        RAR_LOG("CRC32 error - file couldn't be decompressed correctly!");
        return false;
    }
    return true;
}

bool ExtractMatching(RarState& s)
{
    s.entryFound = false;
    s.archive = std::fopen(ArchiveFilePath(s.archiveName), "rb");
    if (!s.archive) {
        RAR_LOG("Error opening file.");
        return false;
    }
    if (!CheckMarker(s)) {
        RAR_LOG("Not a RAR file");
        return false;
    }
    s.window = static_cast<uint8_t*>(std::calloc(RarState::kWindowSize, 1));
    if (!s.window) {
        RAR_LOG("Can't allocate memory for decompression!");
        return false;
    }
    ClearUnpackState(s);
    const long fileSize = FileSize(s.archive);

    // Room for an archive comment or other data after the archive header.
    const long extra = long(s.archiveHeader.headSize) - long(ArchiveHeader::kSize);
    if (extra > 0) std::fseek(s.archive, extra, SEEK_CUR);

    const bool solidArchive = (s.archiveHeader.headFlags & ArchiveHeader::kFlagSolid) != 0;
    ScanResult scan = NextFileHeader(s);
    while (scan != ScanResult::None) {
        if (scan == ScanResult::SubBlock) {
            RAR_LOG("Sorry, sub-headers not supported.");
            return false;
        }
        const bool wanted = NamesEqual(s.wantedName, s.entryName);
        if (wanted) {
            s.entryFound = true;
            if (!AllocateOutput(s, fileSize)) {
                RAR_LOG("can't allocate memory for the file decompression");
                return false;
            }
            *s.outputSize = 0;
        }
        if ((wanted || solidArchive) && !DecodeEntry(s, wanted)) return false;
        std::fseek(s.archive, s.nextBlock, SEEK_SET);
        if (wanted) return true;
        scan = NextFileHeader(s);
    }
    return false;  // not in the archive
}

}  // namespace

int RarExtract(unsigned char** data, uint32_t* size, const char* fileName, const char* archiveName,
               const char* password)
{
    RarLog::OpenOnce();
    RarState& s = gRar;
    CopyCut(s.wantedName, sizeof s.wantedName, fileName);
    CopyCut(s.archiveName, sizeof s.archiveName, archiveName);
    if (password) CopyCut(s.password, sizeof s.password, password);
    uint32_t delivered = 0;
    s.output = nullptr;
    s.outputSize = &delivered;
    RAR_LOG("Extracting >%s< from >%s< (password is >%s<)...", s.wantedName, s.archiveName,
            s.password);

    const bool ok = ExtractMatching(s);

    std::memset(s.password, 0, sizeof s.password);
    if (s.archive) std::fclose(s.archive);
    s.archive = nullptr;
    std::free(s.window);
    s.window = nullptr;
    s.outputSize = nullptr;
    s.encryptionVersion = 0;

    uint8_t* output = s.output;
    s.output = nullptr;
    if (ok) {
        RAR_LOG("Extracted %u Bytes.", delivered);
        if (data)
            *data = output;
        else
            std::free(output);
        if (size) *size = delivered;
        return 1;
    }
    std::free(output);
    RAR_LOG("Error - couldn't extract >%s< and allocated %u Bytes of unused memory!", s.wantedName,
            delivered);
    if (data) *data = nullptr;
    if (size) *size = 0;
    return 0;
}

void SetRarDebugLogPath(const char* path) { RarLog::SetPath(path); }

void SetRarArchiveLocation(const char* name, const char* path)
{
    if (!name || !*name || !path || !*path) {
        gLocationName.clear();
        gLocationPath.clear();
        return;
    }
    gLocationName = name;
    gLocationPath = path;
}

}  // namespace sunvale
