// File helpers shared by moxa's archive commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "InterruptCleanup.h"

namespace moxa {

// Whole file into bytes; false with a reason when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);
// Writes bytes to path, creating missing parent folders.
bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size, std::string* error);

using sunvale::ReplaceFileAtomically;

struct InputFile {
    std::string path;      // where to read it
    std::string name;      // name inside the archive, '/' separated
    uint32_t dosTime = 0;  // modification time in MS-DOS format
};

// Expands the arguments: a file is taken as given, a folder with everything
// below it in name order. Archive names are the paths as given, without a
// leading "./" or "/".
bool CollectInputs(const std::vector<std::string>& args, std::vector<InputFile>* files,
                   std::string* error);

// Archive name (backslash separated) to a safe relative path, or "" when it
// would leave the output folder.
std::string SafeRelativePath(const std::string& archiveName);

// "YYYY-MM-DD hh:mm" of an MS-DOS date-time.
std::string FormatDosTime(uint32_t dosTime);

}  // namespace moxa
