// moxa d: deletes named entries from an archive. The rest is kept as moxa a
// keeps it (block for block, or packed again when solid), and the result
// replaces the archive only once complete.
#include <cstdio>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "MoxaArchive.h"
#include "MoxaFiles.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace {

const char kUsage[] = "d ARCHIVE ENTRY...";

int RunDelete(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    const std::string archive = argv[1];
    const std::vector<std::string> names(argv + 2, argv + argc);
    std::vector<moxa::CarriedEntry> old;
    sunvale::RarPackOptions options;
    if (!moxa::LoadEntriesForRewrite("d", archive, false, &old, &options.solid)) return 1;

    std::vector<bool> matched(names.size(), false);
    std::vector<sunvale::RarPackEntry> entries;
    for (moxa::CarriedEntry& c : old) {
        bool drop = false;
        for (size_t i = 0; i < names.size(); ++i)
            if (moxa::SameEntryName(names[i], c.header.name)) drop = matched[i] = true;
        if (!drop) entries.push_back(std::move(c.pack));
    }
    int missing = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (matched[i]) continue;
        std::fprintf(stderr, "moxa d: %s: no entry %s\n", archive.c_str(), names[i].c_str());
        ++missing;
    }
    if (entries.size() == old.size()) {
        std::fprintf(stderr, "moxa d: nothing deleted; %s left unchanged\n", archive.c_str());
        return 1;
    }
    std::string error;
    std::vector<uint8_t> bytes;
    if (!sunvale::PackRarArchive(entries, options, &bytes, &error) ||
        !moxa::ReplaceFileAtomically(archive, bytes, &error)) {
        std::fprintf(stderr, "moxa d: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "moxa d: wrote %s (%zu deleted, %zu kept)\n", archive.c_str(),
                 old.size() - entries.size(), entries.size());
    return missing ? 1 : 0;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_deleteCommand, "d", kUsage, "delete the named entries from an archive",
                      RunDelete);
