#pragma once
// Reading one named file out of a RAR 2.x archive into memory.
#include <cstdint>

namespace sunvale {

// Finds `fileName` in `archiveName` (names compared without regard to letter
// case, '/' and '\' alike), unpacks it and checks its CRC-32.
// Returns 1 when the entry was found, decoded and its CRC matched; *data then
// holds a malloc'ed buffer of *size bytes that the caller frees. Returns 0
// otherwise, with *data = nullptr and *size = 0.
// `password` may be null (the previous, always cleared, password stays).
// Not re-entrant: calls must not overlap.
int RarExtract(unsigned char** data, uint32_t* size, const char* fileName, const char* archiveName,
               const char* password);

// Path of the debug log; nullptr restores the default "/temp/debug_unrar.txt".
// The next RarExtract call creates (truncates) the log afresh; the log is only
// written when that file can be created.
void SetRarDebugLogPath(const char* path);

// Opens of the archive `name` read the file at `path` instead, so that a
// program can name its archive the same way in every load and decide once,
// at start-up, where that file lives. One mapping at a time; a null or empty
// name or path removes it. Set it before the extractions it concerns.
void SetRarArchiveLocation(const char* name, const char* path);

}  // namespace sunvale
