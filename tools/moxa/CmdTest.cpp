// moxa t: extracts every entry through the show's reader and reports which
// pass their CRC check.
#include <cstdio>
#include <string>
#include <vector>

#include "CommandRegistry.h"
#include "MoxaArchive.h"

namespace {

const char kUsage[] = "t ARCHIVE";

int RunTest(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    sunvale::RarDirectory dir;
    if (!moxa::LoadDirectory("t", argv[1], &dir)) return 1;
    int failures = 0, tested = 0;
    for (const sunvale::RarDirectoryEntry& e : dir.Entries()) {
        if (moxa::IsFolderEntry(e)) continue;
        ++tested;
        std::vector<unsigned char> bytes;
        const bool ok = moxa::ExtractEntry(argv[1], e.name, &bytes) && bytes.size() == e.unpSize;
        std::printf("%-6s %s\n", ok ? "OK" : "FAILED", e.name.c_str());
        if (!ok) ++failures;
    }
    std::printf("%d of %d entries OK\n", tested - failures, tested);
    return failures ? 1 : 0;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_testCommand, "t", kUsage, "test every entry (extract and check CRC)",
                      RunTest);
