// moxa a: creates a RAR 2.x archive from files and folders with our packer.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CommandRegistry.h"
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
    std::vector<sunvale::RarPackEntry> entries;
    entries.reserve(inputs.size());
    for (const moxa::InputFile& in : inputs) {
        sunvale::RarPackEntry e;
        e.name = in.name;
        e.dosTime = in.dosTime;
        if (!moxa::ReadWholeFile(in.path, &e.data, &error)) {
            std::fprintf(stderr, "moxa a: %s\n", error.c_str());
            return 1;
        }
        entries.push_back(std::move(e));
    }
    options.progress = [](size_t done, size_t total, const std::string& name) {
        std::fprintf(stderr, "[%zu/%zu] %s\n", done, total, name.c_str());
    };
    if (!sunvale::WriteRarArchive(archive.c_str(), entries, options, &error)) {
        std::fprintf(stderr, "moxa a: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "moxa a: wrote %s (%zu entries)\n", archive.c_str(), entries.size());
    return 0;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_addCommand, "a", kUsage, "add files and folders to a new RAR 2.x archive",
                      RunAdd);
