// Temporary output file renamed into place on success (see header).
#include "PendingFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace sunvale {
namespace capture {

bool PendingFile::Reserve(const std::string& path, std::string* error)
{
    Discard();
    // A folder of that name would only refuse the rename, after all the work.
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
        *error = "cannot write " + path + ": it is a folder";
        return false;
    }
    std::vector<char> pattern(path.begin(), path.end());
    const char suffix[] = ".partXXXXXX";
    pattern.insert(pattern.end(), suffix, suffix + sizeof suffix);
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        *error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private (0600); a finished capture gets the
    // permissions any new file of this user would get.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    path_ = path;
    temp_ = pattern.data();
    return true;
}

bool PendingFile::Commit(std::string* error)
{
    if (temp_.empty()) {
        *error = "nothing to commit for " + path_;
        return false;
    }
    if (std::rename(temp_.c_str(), path_.c_str()) != 0) {
        *error = "cannot rename " + temp_ + " to " + path_ + ": " + std::strerror(errno);
        Discard();
        return false;
    }
    temp_.clear();
    return true;
}

void PendingFile::Discard()
{
    if (temp_.empty()) return;
    unlink(temp_.c_str());
    temp_.clear();
}

}  // namespace capture
}  // namespace sunvale
