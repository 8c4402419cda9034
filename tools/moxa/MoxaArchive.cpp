// Listing and rewriting support for moxa: header walking via the packer's
// directory reader, data through the reader's one-pass walk.
#include "MoxaArchive.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "MoxaFiles.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarStream.h"

namespace moxa {

bool LoadDirectory(const char* command, const std::string& archive, sunvale::RarDirectory* dir)
{
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(archive, &bytes, &error)) {
        std::fprintf(stderr, "moxa %s: %s\n", command, error.c_str());
        return false;
    }
    if (!dir->Read(bytes.data(), bytes.size(), &error)) {
        std::fprintf(stderr, "moxa %s: %s: %s\n", command, archive.c_str(), error.c_str());
        return false;
    }
    return true;
}

bool IsFolderEntry(const sunvale::RarDirectoryEntry& e) { return (e.flags & 0x00E0) == 0x00E0; }

bool SameEntryName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const auto norm = [](unsigned char c) {
            return c == '\\' || c == '/' ? '_' : std::toupper(c);
        };
        if (norm(static_cast<unsigned char>(a[i])) != norm(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool IsFolderFlags(uint16_t headFlags) { return (headFlags & 0x00E0) == 0x00E0; }

namespace {

// Collects every entry's bytes; the first failure is kept for the message.
class MemorySink : public sunvale::RarEntrySink {
public:
    explicit MemorySink(std::vector<std::vector<uint8_t>>* contents) : contents_(contents) {}
    sunvale::RarEntryChoice Begin(const char* name, const sunvale::FileHeader& header) override
    {
        contents_->emplace_back();
        name_ = name;
        return IsFolderFlags(header.HEAD_FLAGS) ? sunvale::RarEntryChoice::Skip
                                                : sunvale::RarEntryChoice::Extract;
    }
    bool Write(const uint8_t* data, size_t size) override
    {
        contents_->back().insert(contents_->back().end(), data, data + size);
        return true;
    }
    void End(sunvale::RarEntryResult result) override
    {
        if (result != sunvale::RarEntryResult::Ok && failed_.empty())
            failed_ = name_ + ": " + sunvale::RarEntryResultText(result);
    }
    const std::string& Failure() const { return failed_; }

private:
    std::vector<std::vector<uint8_t>>* contents_;
    std::string name_;
    std::string failed_;
};

}  // namespace

bool UnpackAll(const char* command, const std::string& archive,
               std::vector<std::vector<uint8_t>>* contents)
{
    MemorySink sink(contents);
    if (!sunvale::RarExtractEach(archive.c_str(), sink)) {
        std::fprintf(stderr, "moxa %s: %s: cannot read the archive\n", command, archive.c_str());
        return false;
    }
    if (!sink.Failure().empty()) {
        std::fprintf(stderr, "moxa %s: %s: %s\n", command, archive.c_str(), sink.Failure().c_str());
        return false;
    }
    return true;
}

bool LoadEntriesForRewrite(const char* command, const std::string& archive, bool makeSolid,
                           std::vector<CarriedEntry>* entries, bool* solid)
{
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(archive, &bytes, &error)) {
        std::fprintf(stderr, "moxa %s: %s\n", command, error.c_str());
        return false;
    }
    sunvale::RarDirectory dir;
    if (!dir.Read(bytes.data(), bytes.size(), &error)) {
        std::fprintf(stderr, "moxa %s: %s: %s; left unchanged\n", command, archive.c_str(),
                     error.c_str());
        return false;
    }
    *solid = dir.Solid() || makeSolid;
    // A solid archive is unpacked in one pass; RarDirectory and the walk see
    // the same file headers in the same order.
    std::vector<std::vector<uint8_t>> contents;
    if (*solid && !UnpackAll(command, archive, &contents)) {
        std::fprintf(stderr, "moxa %s: %s left unchanged\n", command, archive.c_str());
        return false;
    }
    if (*solid && contents.size() != dir.Entries().size()) {
        std::fprintf(stderr, "moxa %s: %s: entries unreadable; left unchanged\n", command,
                     archive.c_str());
        return false;
    }
    for (size_t i = 0; i < dir.Entries().size(); ++i) {
        const sunvale::RarDirectoryEntry& e = dir.Entries()[i];
        CarriedEntry c;
        c.header = e;
        c.pack.name = e.name;
        c.pack.dosTime = e.dosTime;
        if (!*solid || IsFolderEntry(e)) {
            // RarDirectory checked that the block lies inside the file.
            const uint64_t end = e.dataOffset + ((e.flags & 0x8000) ? e.packSize : 0);
            c.pack.rawBlock.assign(bytes.begin() + long(e.blockOffset), bytes.begin() + long(end));
        } else {
            c.pack.data = std::move(contents[i]);
        }
        entries->push_back(std::move(c));
    }
    return true;
}

}  // namespace moxa
