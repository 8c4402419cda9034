// Locating and checking the show's data archive before anything else starts.
#include "app/DataLocation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"

#ifndef SUNVALE_DATA_FROM_BIN
#define SUNVALE_DATA_FROM_BIN "../share/sunvale"
#endif

namespace sunvale {

namespace {

// Far above the show's data (a few MB); a larger file is not read whole.
constexpr off_t kMaxArchiveBytes = off_t(1) << 30;

std::string JoinPath(const std::string& dir, const char* name)
{
    if (dir.empty()) return name;
    return dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool ReadWholeFile(const std::string& path, size_t size, std::vector<uint8_t>* bytes,
                   std::string* reason)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *reason = std::strerror(errno);
        return false;
    }
    bytes->resize(size);
    const size_t got = size ? std::fread(bytes->data(), 1, size, f) : 0;
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed || got != size) {
        *reason = "cannot be read";
        return false;
    }
    return true;
}

}  // namespace

std::vector<std::string> DataSearchPlaces(const std::string& explicitPath,
                                          const std::string& executableDir)
{
    if (!explicitPath.empty()) return {explicitPath};
    std::vector<std::string> places{std::string("./") + kShowArchiveName};
    if (!executableDir.empty()) {
        places.push_back(JoinPath(executableDir, kShowArchiveName));
        places.push_back(
            JoinPath(JoinPath(executableDir, SUNVALE_DATA_FROM_BIN), kShowArchiveName));
    }
    return places;
}

bool CheckShowArchive(const std::string& path, std::string* reason)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        *reason = errno == ENOENT ? "no such file" : std::strerror(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        *reason = "is a directory";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        *reason = "not a regular file";
        return false;
    }
    if (info.st_size == 0) {
        *reason = "empty";
        return false;
    }
    if (info.st_size > kMaxArchiveBytes) {
        *reason = "too large for the show's data";
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, static_cast<size_t>(info.st_size), &bytes, reason)) return false;
    RarDirectory directory;
    std::string walkError;
    if (!directory.Read(bytes.data(), bytes.size(), &walkError)) {
        *reason = walkError == "not a RAR 2.x archive" ? walkError : "damaged (" + walkError + ")";
        return false;
    }
    if (directory.Entries().empty()) {
        *reason = "holds no files";
        return false;
    }
    return true;
}

bool LocateShowData(const std::vector<std::string>& places, std::string* found,
                    std::string* message)
{
    std::string searched;
    for (const std::string& place : places) {
        if (!searched.empty()) searched += ", ";
        searched += place;
        // The first place that holds anything is the one: a broken file
        // there is reported, not silently passed over for another copy.
        struct stat info {};
        if (stat(place.c_str(), &info) != 0 && errno == ENOENT) continue;
        std::string reason;
        if (CheckShowArchive(place, &reason)) {
            *found = place;
            return true;
        }
        *message = place;
        *message += " is not usable show data (";
        *message += reason;
        *message += "); searched ";
        *message += searched;
        *message += "; make it again with 'sunvale-datagen ";
        *message += place;
        *message += "'";
        return false;
    }
    *message = "no show data found: searched " + searched +
               "; make it with 'sunvale-datagen data.rar' or name it with --data PATH";
    return false;
}

std::string ExecutableDir()
{
    std::vector<char> buffer(4096);
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return std::string();
    std::string path(buffer.data(), static_cast<size_t>(n));
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace sunvale
