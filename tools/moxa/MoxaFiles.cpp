// File system side of moxa: reading inputs, walking folders, writing
// extracted entries, MS-DOS time stamps.
#include "MoxaFiles.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "InterruptCleanup.h"

namespace fs = std::filesystem;

namespace moxa {

namespace {

uint32_t DosTimeOf(const fs::path& path)
{
    std::error_code ec;
    const auto ftime = fs::last_write_time(path, ec);
    if (ec) return 0;
    const auto sys = std::chrono::time_point_cast<std::chrono::seconds>(
        ftime - fs::file_time_type::clock::now() + std::chrono::system_clock::now());
    const std::time_t t = std::chrono::system_clock::to_time_t(sys);
    std::tm tm{};
    if (!localtime_r(&t, &tm) || tm.tm_year < 80) return (1u << 21) | (1u << 16);  // 1980-01-01
    return static_cast<uint32_t>(((tm.tm_year - 80) << 25) | ((tm.tm_mon + 1) << 21) |
                                 (tm.tm_mday << 16) | (tm.tm_hour << 11) | (tm.tm_min << 5) |
                                 (tm.tm_sec / 2));
}

std::string ArchiveNameOf(std::string p)
{
    while (p.rfind("./", 0) == 0) p.erase(0, 2);
    while (!p.empty() && p[0] == '/') p.erase(0, 1);
    return p;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error)
{
    // stdio, not a stream: a read error (EIO and the like) is a result here,
    // never an exception.
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *error = "cannot open " + path;
        return false;
    }
    bytes->clear();
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes->insert(bytes->end(), buffer, buffer + n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) {
        *error = "cannot read " + path;
        return false;
    }
    return true;
}

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size, std::string* error)
{
    std::error_code ec;
    const fs::path parent = fs::path(path).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        *error = "cannot create " + path;
        return false;
    }
    const bool ok = (size == 0 || std::fwrite(data, 1, size, f) == size);
    if (std::fclose(f) != 0 || !ok) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

bool CollectInputs(const std::vector<std::string>& args, std::vector<InputFile>* files,
                   std::string* error)
{
    for (const std::string& arg : args) {
        std::error_code ec;
        const fs::file_status st = fs::status(arg, ec);
        if (ec || !fs::exists(st)) {
            *error = "no such file or folder: " + arg;
            return false;
        }
        if (fs::is_regular_file(st)) {
            files->push_back({arg, ArchiveNameOf(arg), DosTimeOf(arg)});
            continue;
        }
        if (!fs::is_directory(st)) {
            *error = "not a file or folder: " + arg;
            return false;
        }
        std::vector<std::string> found;
        for (fs::recursive_directory_iterator it(arg, ec), end; !ec && it != end; it.increment(ec))
            if (it->is_regular_file(ec)) found.push_back(it->path().generic_string());
        if (ec) {
            *error = "cannot read folder " + arg + ": " + ec.message();
            return false;
        }
        std::sort(found.begin(), found.end());
        for (const std::string& p : found) files->push_back({p, ArchiveNameOf(p), DosTimeOf(p)});
    }
    return true;
}

std::string SafeRelativePath(const std::string& archiveName)
{
    std::string out, part;
    auto flush = [&]() -> bool {
        if (part == "..") return false;
        if (!part.empty() && part != ".") out += (out.empty() ? "" : "/") + part;
        part.clear();
        return true;
    };
    for (char c : archiveName) {
        if (c == '\\' || c == '/') {
            if (!flush()) return "";
        } else if (c == '\0') {
            return "";
        } else {
            part += c;
        }
    }
    if (!flush()) return "";
    if (archiveName.size() > 1 && archiveName[1] == ':') return "";
    return out;
}

std::string FormatDosTime(uint32_t t)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u", 1980 + (t >> 25), (t >> 21) & 15,
                  (t >> 16) & 31, (t >> 11) & 31, (t >> 5) & 63);
    return buf;
}

}  // namespace moxa
