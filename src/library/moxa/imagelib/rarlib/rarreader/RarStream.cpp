// RarExtractEach: the reader's header scan and the unpacker, run over every
// entry of an archive in one pass. Where RarExtract decodes a solid archive
// from its start for each entry it is asked for, this walk carries the window
// from one entry to the next and hands each flush to the sink.
#include "library/moxa/imagelib/rarlib/rarreader/RarStream.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

#include "library/moxa/imagelib/rarlib/rarreader/RarCrc32.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarHeaderScan.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarInput.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarState.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarUnpacker.h"

namespace sunvale {

namespace {

constexpr uint8_t kMinUnpVer = 13;
constexpr uint8_t kMaxUnpVer = 20;
// Stored entries go to the sink in pieces of this size.
constexpr uint32_t kStoredPiece = 1u << 16;
// The unpacker's remaining-output counter holds any 32-bit UNP_SIZE.
static_assert(std::numeric_limits<decltype(RarState::remaining)>::max() >=
                  std::numeric_limits<decltype(FileHeader::UNP_SIZE)>::max(),
              "the remaining-output counter must hold every entry size");

// Reads a stored entry's bytes in pieces, through ReadInput (which stops at
// PACK_SIZE), counting them as FlushWindow does for packed ones.
void CopyStoredToSink(RarState& s, uint8_t* buffer)
{
    const FileHeader& h = s.fileHeader;
    uint32_t left = h.UNP_SIZE < h.PACK_SIZE ? h.UNP_SIZE : h.PACK_SIZE;
    while (left > 0) {
        const uint32_t got = ReadInput(s, buffer, left < kStoredPiece ? left : kStoredPiece);
        if (got == 0) return;
        s.sinkCrc = RarCrc32::Update(s.sinkCrc, buffer, got);
        if (!s.sinkFailed && !s.sink->Write(buffer, got)) s.sinkFailed = true;
        *s.outputSize += got;
        left -= got;
    }
}

// Decodes the current entry; with `wanted`, its bytes go to the sink and the
// result tells how it ended. Without, it only advances a solid stream (a
// stored entry is not read).
RarEntryResult DecodeEntry(RarState& s, RarEntrySink* sink, uint8_t* storedBuffer)
{
    const FileHeader& h = s.fileHeader;
    if (h.UNP_VER < kMinUnpVer || h.UNP_VER > kMaxUnpVer) return RarEntryResult::Unsupported;
    const bool stored = h.METHOD == FileHeader::kMethodStored;
    // No password is ever set, so an encrypted entry could only fail its CRC:
    // it is refused, and a packed one is still decoded, without output, for a
    // solid stream that goes on through it.
    const bool encrypted = (h.HEAD_FLAGS & FileHeader::kFlagEncrypted) != 0;
    if (encrypted) sink = nullptr;
    if (stored && !sink) return encrypted ? RarEntryResult::Unsupported : RarEntryResult::Ok;

    uint32_t delivered = 0;
    s.encryptionVersion = 0;
    s.packedLeft = h.PACK_SIZE;
    s.remaining = decltype(s.remaining)(h.UNP_SIZE);
    s.entryFound = sink != nullptr;
    s.sink = sink;
    s.sinkCrc = 0xFFFFFFFFu;
    s.sinkFailed = false;
    s.outputSize = &delivered;
    std::fseek(s.archive, s.blockStart + long(h.HEAD_SIZE), SEEK_SET);

    bool ok = true;
    if (stored) {
        CopyStoredToSink(s, storedBuffer);
    } else {
        ok = Decompress(s);
    }
    s.sink = nullptr;
    s.entryFound = false;
    s.outputSize = nullptr;
    if (encrypted) return RarEntryResult::Unsupported;
    if (!ok || delivered != h.UNP_SIZE) return RarEntryResult::DataError;
    if (s.sinkFailed) return RarEntryResult::WriteFailed;
    if (~s.sinkCrc != h.FILE_CRC) return RarEntryResult::CrcMismatch;
    return RarEntryResult::Ok;
}

bool WalkArchive(RarState& s, RarEntrySink& sink, uint8_t* storedBuffer)
{
    if (!CheckMarker(s)) return false;
    ClearUnpackState(s);
    // Room for an archive comment or other data after the archive header.
    const long extra = long(s.archiveHeader.headSize) - long(ArchiveHeader::kSize);
    if (extra > 0) std::fseek(s.archive, extra, SEEK_CUR);

    const bool solidArchive = (s.archiveHeader.headFlags & ArchiveHeader::kFlagSolid) != 0;
    for (ScanResult scan = NextFileHeader(s); scan != ScanResult::None; scan = NextFileHeader(s)) {
        // Its size is not known to the scan: nothing after it can be found.
        if (scan == ScanResult::SubBlock) return false;
        const RarEntryChoice choice = sink.Begin(s.entryName, s.fileHeader);
        if (choice == RarEntryChoice::Stop) break;
        if (choice == RarEntryChoice::Extract) {
            sink.End(DecodeEntry(s, &sink, storedBuffer));
        } else if (solidArchive) {
            DecodeEntry(s, nullptr, storedBuffer);
        }
        std::fseek(s.archive, s.nextBlock, SEEK_SET);
    }
    return true;
}

}  // namespace

const char* RarEntryResultText(RarEntryResult result)
{
    switch (result) {
    case RarEntryResult::Ok:
        return "OK";
    case RarEntryResult::CrcMismatch:
        return "CRC mismatch";
    case RarEntryResult::DataError:
        return "packed data truncated or damaged";
    case RarEntryResult::Unsupported:
        return "unsupported (compression version, encryption or size)";
    case RarEntryResult::WriteFailed:
        return "write failed";
    }
    return "unknown";
}

int RarExtractEach(const char* archiveName, RarEntrySink& sink)
{
    RarState& s = gRar;
    s.archive = std::fopen(archiveName, "rb");
    if (!s.archive) return 0;
    s.window = static_cast<uint8_t*>(std::calloc(RarState::kWindowSize, 1));
    uint8_t* storedBuffer = static_cast<uint8_t*>(std::malloc(kStoredPiece));
    const bool ok = s.window && storedBuffer && WalkArchive(s, sink, storedBuffer);
    std::free(storedBuffer);
    std::fclose(s.archive);
    s.archive = nullptr;
    std::free(s.window);
    s.window = nullptr;
    return ok ? 1 : 0;
}

RarDecodeCounters RarDecoderCounters()
{
    RarDecodeCounters c;
    c.entriesDecoded = gRar.entriesDecoded;
    c.streamStarts = gRar.streamStarts;
    return c;
}

}  // namespace sunvale
