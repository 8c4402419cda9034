// Finding the show's data archive. The show names it "data.rar" wherever it
// loads a texture, the model or the music; the file itself is looked for at
// start-up, once, before any window opens:
//   1. data.rar in the working directory,
//   2. data.rar next to the executable,
//   3. data.rar in the installed data folder (<prefix>/share/sunvale/),
// or only at the path given on the command line.
#pragma once

#include <string>
#include <vector>

namespace sunvale {

// The name every load of the show passes as its archive.
constexpr const char* kShowArchiveName = "data.rar";

// The places to try, in order: {explicitPath} when it is not empty,
// otherwise the three places above ("./data.rar" first) for an executable in executableDir
// (an empty executableDir leaves out 2 and 3).
std::vector<std::string> DataSearchPlaces(const std::string& explicitPath,
                                          const std::string& executableDir);

// Whether path is a RAR 2.x archive whose blocks all lie within the file and
// that holds at least one file entry. False with a short reason ("no such
// file", "is a directory", "not a RAR 2.x archive", "truncated ...").
bool CheckShowArchive(const std::string& path, std::string* reason);

// Tries places in order; the first that exists must be usable show data.
// Returns it in *found, or false with *message: one line naming the places
// searched, what is wrong, and how to make the data.
bool LocateShowData(const std::vector<std::string>& places, std::string* found,
                    std::string* message);

// Folder of the running executable (from /proc/self/exe); empty when unknown.
std::string ExecutableDir();

}  // namespace sunvale
