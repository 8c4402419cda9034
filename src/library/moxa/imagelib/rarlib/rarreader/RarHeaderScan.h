#pragma once
// Walking the blocks of an open archive: marker, archive header, and the
// file headers one after another.
#include <cstdint>

namespace sunvale {

struct RarState;

enum class ScanResult { None, File, SubBlock };

// Reads the marker block and the archive header. False: not an archive this
// reader handles (too short, old format or unknown marker).
bool CheckMarker(RarState& s);

// Finds the next file header (or old-style sub-block) from the current
// position, passing over other block types by their sizes. On File, the
// header and name are in s.fileHeader/s.entryName, s.blockStart and
// s.nextBlock are set. On None or SubBlock the previous header is restored.
ScanResult NextFileHeader(RarState& s);

// Names compared with '/' and '\' both read as '_' and ASCII letters in
// upper case.
bool NamesEqual(const char* wanted, const char* entryName);

}  // namespace sunvale
