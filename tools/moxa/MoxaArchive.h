// Archive-side helpers shared by moxa's l, x, p and t commands.
#pragma once

#include <string>
#include <vector>

#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"

namespace moxa {

// Reads and walks the archive's headers; prints the reason and returns false
// on failure.
bool LoadDirectory(const char* command, const std::string& archive, sunvale::RarDirectory* dir);

// True for directory entries (dictionary field all ones), which hold no data.
bool IsFolderEntry(const sunvale::RarDirectoryEntry& e);

// Entry names compared as the reader does: letter case and '/' against '\'
// do not matter.
bool SameEntryName(const std::string& a, const std::string& b);

// Extracts one entry through the show's reader into bytes; false when the
// reader refuses it (not found, damaged, CRC mismatch).
bool ExtractEntry(const std::string& archive, const std::string& name,
                  std::vector<unsigned char>* bytes);

}  // namespace moxa
