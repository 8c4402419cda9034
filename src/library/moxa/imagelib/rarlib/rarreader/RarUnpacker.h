#pragma once
// RAR 2.0 decompression (compression versions 13 to 20): LZ77 over a 1 MiB
// window with per-block Huffman codes, and the multimedia (audio) mode.
#include <cstdint>

namespace sunvale {

struct RarState;

// Decodes the current entry: s.remaining holds UNP_SIZE and s.packedLeft
// PACK_SIZE, the archive is positioned at the entry's data. Bytes go to the
// output buffer when s.entryFound is set. Returns false when the packed data
// ended before the output was complete or its code tables were malformed.
bool Decompress(RarState& s);

// Start of every entry; a plain (non-continuation) entry resets everything.
void ResetUnpackState(RarState& s, bool solidContinuation);
// Clears all state carried between solid entries, tables included.
void ClearUnpackState(RarState& s);

// Reads a block's code tables. False when the input ended inside them or
// they were malformed.
bool ReadCodeTables(RarState& s);

// Appends window bytes from the write position to the window position to the
// output (when the entry is the wanted one).
void FlushWindow(RarState& s);

// Copies `length` bytes from `distance` back in the window, byte by byte, so
// that an overlapping copy repeats the pattern.
void CopyMatch(RarState& s, uint32_t length, uint32_t distance);

// After an entry: reads the next solid entry's tables if they follow.
void PeekTablesAtEnd(RarState& s);

}  // namespace sunvale
