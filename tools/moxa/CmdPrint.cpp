// moxa p: writes one entry's bytes to standard output.
#include <cstdio>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "MoxaArchive.h"

namespace {

const char kUsage[] = "p ARCHIVE ENTRY";

int RunPrint(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    std::vector<unsigned char> bytes;
    if (!moxa::ExtractEntry(argv[1], argv[2], &bytes)) {
        std::fprintf(stderr,
                     "moxa p: cannot extract %s from %s (missing, damaged or not an archive)\n",
                     argv[2], argv[1]);
        return 1;
    }
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) {
        std::fprintf(stderr, "moxa p: write to standard output failed\n");
        return 1;
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_printCommand, "p", kUsage, "write one entry to standard output", RunPrint);
