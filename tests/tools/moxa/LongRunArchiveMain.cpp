// Writes the long-entry archive for benchmarks:
//   moxa_longrun_archive OUT.rar BYTES [NAME]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "LongRunArchive.h"

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: moxa_longrun_archive OUT.rar BYTES [NAME]\n");
        return 2;
    }
    const unsigned long long size = std::strtoull(argv[2], nullptr, 10);
    if (size == 0 || size > 0x7FFFFFFFull) {
        std::fprintf(stderr, "moxa_longrun_archive: BYTES must be 1 to 2147483647\n");
        return 2;
    }
    const std::vector<uint8_t> bytes =
        moxatest::LongRunArchive(argc == 4 ? argv[3] : "long.txt", uint32_t(size));
    FILE* f = std::fopen(argv[1], "wb");
    const bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (!f || std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "moxa_longrun_archive: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
