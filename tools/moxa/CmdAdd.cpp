// moxa a: adds files and folders to a RAR 2.x archive, creating it when it
// does not exist. An existing name is replaced by the new file, new names are
// appended, every other entry is kept: copied block for block from a plain
// archive, unpacked and packed again with the rest from a solid one (a solid
// stream cannot be cut). The result replaces the archive only once complete.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "MoxaArchive.h"
#include "MoxaFiles.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace {

const char kUsage[] = "a [-m0..-m5] [-s] [-mm|-mm-] ARCHIVE FILE|FOLDER...";

int RunAdd(int argc, char** argv)
{
    sunvale::RarPackOptions options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.size() == 3 && arg.compare(0, 2, "-m") == 0 && arg[2] >= '0' && arg[2] <= '5') {
            options.level = arg[2] - '0';
        } else if (arg == "-s") {
            options.solid = true;
        } else if (arg == "-mm") {
            options.audio = sunvale::RarAudioMode::Force;
        } else if (arg == "-mm-") {
            options.audio = sunvale::RarAudioMode::Never;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "moxa a: unknown switch %s\nusage: moxa %s\n", arg.c_str(),
                         kUsage);
            return 2;
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 2) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    const std::string archive = positional[0];
    std::vector<moxa::InputFile> inputs;
    std::string error;
    if (!moxa::CollectInputs(std::vector<std::string>(positional.begin() + 1, positional.end()),
                             &inputs, &error)) {
        std::fprintf(stderr, "moxa a: %s\n", error.c_str());
        return 1;
    }
    // Every input is read before anything is written.
    std::vector<sunvale::RarPackEntry> added;
    added.reserve(inputs.size());
    for (const moxa::InputFile& in : inputs) {
        sunvale::RarPackEntry e;
        e.name = in.name;
        e.dosTime = in.dosTime;
        if (!moxa::ReadWholeFile(in.path, &e.data, &error)) {
            std::fprintf(stderr, "moxa a: %s\n", error.c_str());
            return 1;
        }
        added.push_back(std::move(e));
    }

    std::error_code ec;
    const bool exists = std::filesystem::exists(archive, ec);
    if (exists && !std::filesystem::is_regular_file(archive, ec)) {
        std::fprintf(stderr, "moxa a: %s is not a file\n", archive.c_str());
        return 1;
    }
    std::vector<moxa::CarriedEntry> old;
    if (exists && !moxa::LoadEntriesForRewrite("a", archive, options.solid, &old, &options.solid))
        return 1;

    // An old entry keeps its place, with the new bytes when a new file has its
    // name; the other new files follow in the order given.
    std::vector<sunvale::RarPackEntry> entries;
    std::vector<bool> used(added.size(), false);
    size_t replaced = 0;
    for (moxa::CarriedEntry& c : old) {
        size_t hit = added.size();
        for (size_t j = 0; j < added.size() && hit == added.size(); ++j)
            if (!used[j] && moxa::SameEntryName(added[j].name, c.header.name)) hit = j;
        if (hit == added.size()) {
            entries.push_back(std::move(c.pack));
            continue;
        }
        used[hit] = true;
        ++replaced;
        entries.push_back(std::move(added[hit]));
    }
    for (size_t j = 0; j < added.size(); ++j)
        if (!used[j]) entries.push_back(std::move(added[j]));

    options.progress = [](size_t done, size_t total, const std::string& name) {
        std::fprintf(stderr, "[%zu/%zu] %s\n", done, total, name.c_str());
    };
    std::vector<uint8_t> bytes;
    if (!sunvale::PackRarArchive(entries, options, &bytes, &error) ||
        !moxa::ReplaceFileAtomically(archive, bytes, &error)) {
        std::fprintf(stderr, "moxa a: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "moxa a: wrote %s (%zu entries: %zu added, %zu replaced, %zu kept)\n",
                 archive.c_str(), entries.size(), added.size() - replaced, replaced,
                 old.size() - replaced);
    return 0;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_addCommand, "a", kUsage,
                      "add files and folders to an archive (created when missing; an entry of "
                      "the same name is replaced)",
                      RunAdd);
