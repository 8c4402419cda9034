// Listing and extraction support for moxa: header walking via the packer's
// directory reader, data always through RarExtract, the show's own reader.
#include "MoxaArchive.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "MoxaFiles.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

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

bool ExtractEntry(const std::string& archive, const std::string& name,
                  std::vector<unsigned char>* bytes)
{
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (!sunvale::RarExtract(&data, &size, name.c_str(), archive.c_str(), "")) return false;
    bytes->assign(data, data + size);
    std::free(data);
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
    for (const sunvale::RarDirectoryEntry& e : dir.Entries()) {
        CarriedEntry c;
        c.header = e;
        c.pack.name = e.name;
        c.pack.dosTime = e.dosTime;
        if (!*solid || IsFolderEntry(e)) {
            // RarDirectory checked that the block lies inside the file.
            const uint64_t end = e.dataOffset + ((e.flags & 0x8000) ? e.packSize : 0);
            c.pack.rawBlock.assign(bytes.begin() + long(e.blockOffset), bytes.begin() + long(end));
        } else if (!ExtractEntry(archive, e.name, &c.pack.data)) {
            std::fprintf(stderr,
                         "moxa %s: %s: cannot unpack %s (damaged or unsupported); left "
                         "unchanged\n",
                         command, archive.c_str(), e.name.c_str());
            return false;
        }
        entries->push_back(std::move(c));
    }
    return true;
}

}  // namespace moxa
