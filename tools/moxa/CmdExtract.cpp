// moxa x: extracts all or the named entries of an archive in one pass. Each
// entry is written to its file piece by piece as it is unpacked, so memory
// stays at the unpacker's window whatever the entry sizes; with names given,
// a solid archive is decoded only up to the last entry asked for.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "InterruptCleanup.h"
#include "MoxaArchive.h"
#include "MoxaFiles.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarStream.h"

namespace {

namespace fs = std::filesystem;

const char kUsage[] = "x [-f|-s] [-k] ARCHIVE [ENTRY...] [-o DIR]";

// What happens to a file that already exists where an entry goes.
enum class Existing {
    Keep,       // default: left as it is, reported; the run ends with status 1
    Overwrite,  // -f
    Skip,       // -s: left as it is without a word; not a failure
};

class FileSink : public sunvale::RarEntrySink {
public:
    FileSink(std::string outDir, std::vector<std::string> names, Existing existing,
             bool keepPartial)
        : outDir_(std::move(outDir)),
          names_(std::move(names)),
          matched_(names_.size(), false),
          existing_(existing),
          keepPartial_(keepPartial)
    {}

    sunvale::RarEntryChoice Begin(const char* name, const sunvale::FileHeader& header) override
    {
        if (!names_.empty() && AllMatched()) return sunvale::RarEntryChoice::Stop;
        if (moxa::IsFolderFlags(header.HEAD_FLAGS) || !Chosen(name))
            return sunvale::RarEntryChoice::Skip;
        ++chosen;
        const std::string rel = moxa::SafeRelativePath(name);
        if (rel.empty()) {
            std::fprintf(stderr, "moxa x: refusing unsafe entry name %s\n", name);
            ++failures;
            return sunvale::RarEntryChoice::Skip;
        }
        path_ = outDir_ + "/" + rel;
        return Open() ? sunvale::RarEntryChoice::Extract : sunvale::RarEntryChoice::Skip;
    }

    bool Write(const uint8_t* data, size_t size) override
    {
        while (size > 0) {
            const ssize_t n = ::write(fd_, data, size);
            if (n <= 0) return false;
            data += n;
            size -= size_t(n);
        }
        return true;
    }

    void End(sunvale::RarEntryResult result) override
    {
        bool closed;
        {
            // A complete file is kept from here on, even if an interrupt
            // comes next; any other stays tracked until it is dealt with.
            const sunvale::InterruptsHeld held;
            closed = ::close(fd_) == 0;
            if (result == sunvale::RarEntryResult::Ok && closed) partial_.Release();
        }
        fd_ = -1;
        if (result == sunvale::RarEntryResult::Ok && !closed)
            result = sunvale::RarEntryResult::WriteFailed;
        if (result == sunvale::RarEntryResult::Ok) {
            std::fprintf(stderr, "%s\n", path_.c_str());
            return;
        }
        ++failures;
        if (!keepPartial_) std::remove(path_.c_str());
        partial_.Release();
        std::fprintf(stderr, "moxa x: %s: %s (%s)\n", path_.c_str(),
                     sunvale::RarEntryResultText(result),
                     keepPartial_ ? "partial file kept" : "removed");
    }

    // Names given that matched no entry, for the report.
    std::vector<std::string> Unmatched() const
    {
        std::vector<std::string> out;
        for (size_t i = 0; i < names_.size(); ++i)
            if (!matched_[i]) out.push_back(names_[i]);
        return out;
    }

    int chosen = 0;
    int failures = 0;

private:
    bool AllMatched() const
    {
        for (bool m : matched_)
            if (!m) return false;
        return true;
    }

    // All entries, or the first entry of each name given.
    bool Chosen(const char* name)
    {
        if (names_.empty()) return true;
        bool hit = false;
        for (size_t i = 0; i < names_.size(); ++i)
            if (!matched_[i] && moxa::SameEntryName(names_[i], name)) hit = matched_[i] = true;
        return hit;
    }

    // Creates path_ for writing, by the policy for existing files; reports and
    // counts what it refuses.
    bool Open()
    {
        std::error_code ec;
        const fs::file_status st = fs::symlink_status(path_, ec);
        if (fs::exists(st)) {
            if (existing_ == Existing::Skip) return false;
            if (existing_ == Existing::Keep) {
                std::fprintf(stderr, "moxa x: kept existing %s (-f overwrites, -s skips)\n",
                             path_.c_str());
                ++failures;
                return false;
            }
            // A link is replaced, never written through.
            if (fs::is_directory(st) || !fs::remove(path_, ec)) {
                std::fprintf(stderr, "moxa x: cannot replace %s\n", path_.c_str());
                ++failures;
                return false;
            }
        }
        const fs::path parent = fs::path(path_).parent_path();
        if (!parent.empty()) fs::create_directories(parent, ec);
        const sunvale::InterruptsHeld held;
        fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ >= 0) partial_.Track(path_);
        if (fd_ < 0) {
            std::fprintf(stderr, "moxa x: cannot create %s\n", path_.c_str());
            ++failures;
            return false;
        }
        return true;
    }

    std::string outDir_;
    std::vector<std::string> names_;
    std::vector<bool> matched_;
    Existing existing_;
    bool keepPartial_;
    std::string path_;
    int fd_ = -1;
    sunvale::PartialFile partial_;  // path_ while it is being written
};

int RunExtract(int argc, char** argv)
{
    std::string outDir = ".";
    std::vector<std::string> positional;
    Existing existing = Existing::Keep;
    bool keepPartial = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-f")) {
            existing = Existing::Overwrite;
        } else if (!std::strcmp(argv[i], "-s")) {
            existing = Existing::Skip;
        } else if (!std::strcmp(argv[i], "-k")) {
            keepPartial = true;
        } else if (!std::strcmp(argv[i], "-o")) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "moxa x: -o needs a folder\n");
                return 2;
            }
            outDir = argv[++i];
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::fprintf(stderr, "moxa x: unknown switch %s\nusage: moxa %s\n", argv[i], kUsage);
            return 2;
        } else {
            positional.push_back(argv[i]);
        }
    }
    if (positional.empty()) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    const std::string archive = positional[0];
    FileSink sink(outDir, std::vector<std::string>(positional.begin() + 1, positional.end()),
                  existing, keepPartial);
    const bool read = sunvale::RarExtractEach(archive.c_str(), sink) != 0;
    int failures = sink.failures;
    if (!read) {
        std::fprintf(stderr,
                     "moxa x: %s: cannot read the archive (missing, not RAR 2.x, or "
                     "damaged headers)\n",
                     archive.c_str());
        ++failures;
    }
    for (const std::string& name : sink.Unmatched()) {
        std::fprintf(stderr, "moxa x: %s: no entry %s\n", archive.c_str(), name.c_str());
        ++failures;
    }
    if (failures) {
        std::fprintf(stderr, "moxa x: %d problems; %d entries chosen\n", failures, sink.chosen);
        return 1;
    }
    return 0;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_extractCommand, "x", kUsage,
                      "extract all or the named entries into DIR (default .); an existing file "
                      "is kept and reported unless -f (overwrite) or -s (skip silently); a "
                      "damaged entry's partial file is removed unless -k",
                      RunExtract);
