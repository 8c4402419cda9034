// Packing and unpacking throughput of our RAR 2.0 coder on text and on 16-bit
// stereo samples, against unar (the same archives) and zlib (the same data).
// Built, not run by ctest:
//   rar_reader_bench [MiB per input, default 12]
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../rarpacker/RarTestData.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"
#include "support/ScopedTempDir.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t)
{
    return std::chrono::duration<double>(Clock::now() - t).count();
}

void Measure(const char* name, const std::vector<uint8_t>& data, const std::string& dir)
{
    const std::string archive = dir + "/" + name + ".rar";
    std::string error;
    auto t = Clock::now();
    if (!sunvale::WriteRarArchive(archive.c_str(), {{name, data, 0}}, {}, &error)) {
        std::fprintf(stderr, "packing failed: %s\n", error.c_str());
        std::exit(1);
    }
    const double packTime = Since(t), mb = double(data.size()) / 1e6;
    FILE* f = std::fopen(archive.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    const long packed = std::ftell(f);
    std::fclose(f);

    double rar = 1e9;
    for (int r = 0; r < 8; ++r) {
        unsigned char* out = nullptr;
        uint32_t n = 0;
        t = Clock::now();
        const bool ok =
            sunvale::RarExtract(&out, &n, name, archive.c_str(), "") && n == data.size();
        rar = std::min(rar, Since(t));
        const bool same = ok && std::memcmp(out, data.data(), n) == 0;
        std::free(out);
        if (!same) std::fprintf(stderr, "RarExtract failed\n"), std::exit(1);
    }
    double unar = 1e9;
    for (int r = 0; r < 3; ++r) {
        t = Clock::now();
        if (std::system(
                ("unar -q -f -o " + dir + "/out " + archive + " >/dev/null 2>&1").c_str()) != 0)
            unar = 0;
        unar = unar == 0 ? 0 : std::min(unar, Since(t));
    }
    uLongf zSize = compressBound(data.size());
    std::vector<uint8_t> z(zSize), back(data.size());
    compress2(z.data(), &zSize, data.data(), data.size(), 9);
    double inflate = 1e9;
    for (int r = 0; r < 8; ++r) {
        uLongf n = back.size();
        t = Clock::now();
        uncompress(back.data(), &n, z.data(), zSize);
        inflate = std::min(inflate, Since(t));
    }
    std::printf(
        "%s, %.1f MB: packed %.1f%% (zlib -9 %.1f%%, ours/zlib %.3f), pack %.2f s (%.1f MB/s)\n",
        name, mb, 100.0 * packed / data.size(), 100.0 * zSize / data.size(), double(packed) / zSize,
        packTime, mb / packTime);
    std::printf(
        "  unpack RarExtract %7.1f MB/s | zlib inflate %7.1f MB/s (ratio %.2f) | unar %7.1f MB/s "
        "(ours %.1fx)\n",
        mb / rar, mb / inflate, inflate / rar, unar > 0 ? mb / unar : 0.0,
        unar > 0 ? unar / rar : 0.0);
}

}  // namespace

int main(int argc, char** argv)
{
    const size_t size = size_t(argc > 1 ? std::atoi(argv[1]) : 12) << 20;
    const sunvale::testsupport::ScopedTempDir temp;
    if (!temp.Valid()) return 1;
    const std::string& dir = temp.Path();
    sunvale::SetRarDebugLogPath((dir + "/log.txt").c_str());
    Measure("text.txt", sunvale::rartest::MakeText(size, 1), dir);
    Measure("stereo16.raw", sunvale::rartest::MakeSamples(size / 4, 2, 2, 2), dir);
    return 0;
}
