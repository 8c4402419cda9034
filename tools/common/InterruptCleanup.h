// SIGINT and SIGTERM in the command-line tools: an interrupted run removes
// the files it was in the middle of writing (the temporary file of an archive
// being replaced, an extracted or rendered file cut short) and then ends by
// the same signal, so that a shell reports status 130 or 143 and a calling
// script stops as well. Files already finished are kept.
#pragma once

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace sunvale {

// Installs the handlers, once per process. A signal ignored when the process
// started (a background job of a script) stays ignored.
void InstallInterruptCleanup();

// Holds SIGINT and SIGTERM back for its lifetime, so that creating a file and
// tracking it (or renaming it and releasing it) happen as one step; a signal
// that comes meanwhile is handled when the scope ends. It holds them for the
// calling thread only: use it where no other thread runs, as in the tools
// while they write.
class InterruptsHeld {
public:
    InterruptsHeld();
    ~InterruptsHeld();
    InterruptsHeld(const InterruptsHeld&) = delete;
    InterruptsHeld& operator=(const InterruptsHeld&) = delete;

private:
    sigset_t saved_;
};

// A file being written: removed by an interrupt that comes while it is
// tracked. Destruction stops tracking and leaves the file as it is.
class PartialFile {
public:
    PartialFile() = default;
    ~PartialFile() { Release(); }
    PartialFile(const PartialFile&) = delete;
    PartialFile& operator=(const PartialFile&) = delete;

    // Starts tracking path (releasing any earlier one). False when every slot
    // is taken or the path is too long; the file is then written untracked.
    bool Track(const std::string& path);
    // Stops tracking; the file stays.
    void Release();

    // Most files tracked at once in one process.
    static constexpr int kSlots = 8;

private:
    int slot_ = -1;
};

// Writes bytes to a new temporary file in path's folder and renames it over
// path only when all of it is written and flushed, so that a failed or
// interrupted run leaves what was at path untouched; an interrupt (SIGINT,
// SIGTERM) removes the temporary file. An existing file's permission bits
// carry over; a new file gets the umask's default.
bool ReplaceFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                           std::string* error);

}  // namespace sunvale
