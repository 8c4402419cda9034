// moxa l: lists an archive's entries from their headers.
#include <cstdio>
#include <string>

#include "CommandRegistry.h"
#include "MoxaArchive.h"
#include "MoxaFiles.h"

namespace {

const char kUsage[] = "l ARCHIVE";

int RunList(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    sunvale::RarDirectory dir;
    if (!moxa::LoadDirectory("l", argv[1], &dir)) return 1;
    std::printf("Archive %s%s\n", argv[1], dir.Solid() ? " (solid)" : "");
    std::printf("%10s %10s %6s  %-16s %-8s %3s %4s %-6s  %s\n", "Size", "Packed", "Ratio", "Date",
                "CRC", "Ver", "Meth", "Flags", "Name");
    uint64_t size = 0, packed = 0;
    for (const sunvale::RarDirectoryEntry& e : dir.Entries()) {
        const unsigned ratio =
            e.unpSize ? static_cast<unsigned>(100ull * e.packSize / e.unpSize) : 100u;
        std::printf("%10u %10u %5u%%  %-16s %08X %3u %4X %04X%s  %s\n", e.unpSize, e.packSize,
                    ratio, moxa::FormatDosTime(e.dosTime).c_str(), e.fileCrc, e.unpVer, e.method,
                    e.flags, e.headerCrcOk ? "  " : " !", e.name.c_str());
        size += e.unpSize;
        packed += e.packSize;
    }
    std::printf("%10llu %10llu  %zu entries\n", static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(packed), dir.Entries().size());
    return 0;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_listCommand, "l", kUsage,
                      "list entries (sizes, method, CRC, flags; ! = bad header CRC)", RunList);
