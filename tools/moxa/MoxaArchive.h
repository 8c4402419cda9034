// Archive-side helpers shared by moxa's l, x, p and t commands.
#pragma once

#include <string>
#include <vector>

#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace moxa {

// Reads and walks the archive's headers; prints the reason and returns false
// on failure.
bool LoadDirectory(const char* command, const std::string& archive, sunvale::RarDirectory* dir);

// True for directory entries (dictionary field all ones), which hold no data.
bool IsFolderEntry(const sunvale::RarDirectoryEntry& e);

// Entry names compared as the reader does: letter case and '/' against '\'
// do not matter.
bool SameEntryName(const std::string& a, const std::string& b);

// True for directory entries by their header flags.
bool IsFolderFlags(uint16_t headFlags);

// Unpacks every entry of the archive in one pass into memory, in archive
// order. False (with a message) when the archive cannot be read or any entry
// fails; `command` names the caller in the message.
bool UnpackAll(const char* command, const std::string& archive,
               std::vector<std::vector<uint8_t>>* contents);

// One entry of an existing archive, ready to be written again.
struct CarriedEntry {
    sunvale::RarDirectoryEntry header;
    sunvale::RarPackEntry pack;  // its raw block, or its unpacked bytes
};

// Reads an existing archive that is to be rewritten. A solid archive (or any
// archive when `makeSolid`) is packed again as one stream, so each of its
// entries with data is unpacked and checked; every other entry is carried as
// its raw block, byte for byte. *solid tells which. Prints the reason and
// returns false when the file is not a RAR 2.x archive or an entry cannot be
// unpacked; nothing is written then.
bool LoadEntriesForRewrite(const char* command, const std::string& archive, bool makeSolid,
                           std::vector<CarriedEntry>* entries, bool* solid);

}  // namespace moxa
