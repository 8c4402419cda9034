// An output file that appears under its name only when it is complete: the
// writer fills a temporary file beside it (same folder, so the final rename
// is atomic), and Commit renames it into place. A PendingFile that is never
// committed removes its temporary file, so a failed or killed capture never
// leaves a half-written file under the requested name.
#pragma once

#include <string>

namespace sunvale {
namespace capture {

class PendingFile {
public:
    PendingFile() = default;
    ~PendingFile() { Discard(); }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates an empty temporary file "NAME.partXXXXXX" beside path (mode
    // 0644 less the umask). false with a reason in error when the folder
    // cannot take it: a missing folder, no permission, a read-only disk.
    bool Reserve(const std::string& path, std::string* error);

    // Where the writer writes until Commit.
    const std::string& TempPath() const { return temp_; }

    // Renames the temporary file to the requested path, replacing a file
    // there. false with a reason in error (the temporary file is removed).
    bool Commit(std::string* error);

    // Removes the temporary file unless committed. Safe to call twice.
    void Discard();

private:
    std::string path_;
    std::string temp_;
};

}  // namespace capture
}  // namespace sunvale
