// moxa x: extracts all or the named entries of an archive through the show's
// reader (RarExtract), so what lands on disk is what the show would load.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "MoxaArchive.h"
#include "MoxaFiles.h"

namespace {

const char kUsage[] = "x [-f|-s] ARCHIVE [ENTRY...] [-o DIR]";

// What happens to a file that already exists where an entry goes.
enum class Existing {
    Keep,       // default: left as it is, reported; the run ends with status 1
    Overwrite,  // -f
    Skip,       // -s: left as it is without a word; not a failure
};

int RunExtract(int argc, char** argv)
{
    std::string outDir = ".";
    std::vector<std::string> positional;
    Existing existing = Existing::Keep;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-f")) {
            existing = Existing::Overwrite;
        } else if (!std::strcmp(argv[i], "-s")) {
            existing = Existing::Skip;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0' && std::strcmp(argv[i], "-o") != 0) {
            std::fprintf(stderr, "moxa x: unknown switch %s\nusage: moxa %s\n", argv[i], kUsage);
            return 2;
        } else if (!std::strcmp(argv[i], "-o")) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "moxa x: -o needs a folder\n");
                return 2;
            }
            outDir = argv[++i];
        } else {
            positional.push_back(argv[i]);
        }
    }
    if (positional.empty()) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    const std::string archive = positional[0];
    sunvale::RarDirectory dir;
    if (!moxa::LoadDirectory("x", archive, &dir)) return 1;

    // Selected entries: all of them, or those named (each name must exist).
    std::vector<const sunvale::RarDirectoryEntry*> chosen;
    int failures = 0;
    if (positional.size() == 1) {
        for (const sunvale::RarDirectoryEntry& e : dir.Entries())
            if (!moxa::IsFolderEntry(e)) chosen.push_back(&e);
    } else {
        for (size_t i = 1; i < positional.size(); ++i) {
            const sunvale::RarDirectoryEntry* hit = nullptr;
            for (const sunvale::RarDirectoryEntry& e : dir.Entries())
                if (!hit && moxa::SameEntryName(positional[i], e.name)) hit = &e;
            if (!hit) {
                std::fprintf(stderr, "moxa x: %s: no entry %s\n", archive.c_str(),
                             positional[i].c_str());
                ++failures;
            } else {
                chosen.push_back(hit);
            }
        }
    }
    size_t done = 0;
    for (const sunvale::RarDirectoryEntry* e : chosen) {
        ++done;
        const std::string rel = moxa::SafeRelativePath(e->name);
        if (rel.empty()) {
            std::fprintf(stderr, "moxa x: refusing unsafe entry name %s\n", e->name.c_str());
            ++failures;
            continue;
        }
        const std::string path = outDir + "/" + rel;
        std::error_code ec;
        if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
            if (existing == Existing::Skip) continue;
            if (existing == Existing::Keep) {
                std::fprintf(stderr, "moxa x: kept existing %s (-f overwrites, -s skips)\n",
                             path.c_str());
                ++failures;
                continue;
            }
            // A link is replaced, never written through.
            if (std::filesystem::is_directory(std::filesystem::symlink_status(path, ec)) ||
                !std::filesystem::remove(path, ec)) {
                std::fprintf(stderr, "moxa x: cannot replace %s\n", path.c_str());
                ++failures;
                continue;
            }
        }
        std::vector<unsigned char> bytes;
        if (!moxa::ExtractEntry(archive, e->name, &bytes)) {
            std::fprintf(stderr, "moxa x: %s: cannot extract %s (damaged or unsupported)\n",
                         archive.c_str(), e->name.c_str());
            ++failures;
            continue;
        }
        std::string error;
        if (!moxa::WriteWholeFile(path, bytes.data(), bytes.size(), &error)) {
            std::fprintf(stderr, "moxa x: %s\n", error.c_str());
            ++failures;
            continue;
        }
        std::fprintf(stderr, "[%zu/%zu] %s\n", done, chosen.size(), rel.c_str());
    }
    if (failures) {
        std::fprintf(stderr, "moxa x: %d of %zu entries failed or were kept\n", failures,
                     positional.size() == 1 ? chosen.size() : positional.size() - 1);
        return 1;
    }
    return 0;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_extractCommand, "x", kUsage,
                      "extract all or the named entries into DIR (default .); an existing file "
                      "is kept and reported unless -f (overwrite) or -s (skip silently)",
                      RunExtract);
