#pragma once
// One pass over a whole RAR 2.x archive: every entry is handed to a sink in
// pieces as the unpacker's window flushes them, so memory stays at the window
// and buffers whatever the entries' sizes, and a solid stream is decoded once
// from its start. Uses the reader's module state: not re-entrant, and never
// at the same time as RarExtract.
#include <cstddef>
#include <cstdint>

#include "library/moxa/imagelib/rarlib/rarreader/RarHeaders.h"

namespace sunvale {

// What the walk does with an entry whose header it has just read.
enum class RarEntryChoice {
    Extract,  // its bytes go to the sink
    Skip,     // passed over (decoded without output where a solid stream needs it)
    Stop,     // the walk ends before this entry
};

// How an extracted entry ended.
enum class RarEntryResult {
    Ok,           // all UNP_SIZE bytes delivered and the CRC-32 matched
    CrcMismatch,  // all bytes delivered, CRC-32 differs
    DataError,    // packed data truncated or malformed, or the size came out wrong
    Unsupported,  // compression version outside 13..20, encrypted, or larger than 2 GiB - 1
    WriteFailed,  // the sink refused a piece (decoding went on for the solid stream)
};

const char* RarEntryResultText(RarEntryResult result);

class RarEntrySink {
public:
    virtual ~RarEntrySink() = default;
    // Each file entry in archive order, before any of its data. `name` is as
    // stored (backslash separators), at most 259 bytes.
    virtual RarEntryChoice Begin(const char* name, const FileHeader& header) = 0;
    // The next piece of an extracted entry: at most 1 MiB, in order. False
    // when the sink cannot take it; the entry then ends as WriteFailed.
    virtual bool Write(const uint8_t* data, size_t size) = 0;
    // After the last piece of an extracted entry (also after an error).
    virtual void End(RarEntryResult result) = 0;
};

// Walks `archiveName` once from its start. Returns 1 when the walk reached the
// archive's end or the sink stopped it, whatever the entries' results; 0 when
// the file cannot be opened, is not a RAR 2.x archive, the window cannot be
// allocated, or an old-style sub-block stands in the way.
int RarExtractEach(const char* archiveName, RarEntrySink& sink);

// Test hooks: entries the unpacker decoded, and fresh starts of its stream
// (decodes that were not a solid continuation), since the process started.
struct RarDecodeCounters {
    uint64_t entriesDecoded = 0;
    uint64_t streamStarts = 0;
};
RarDecodeCounters RarDecoderCounters();

}  // namespace sunvale
