// Packing and unpacking throughput of the RAR 2.x packer and the show's
// reader on generated text, 16-bit stereo samples and noise, against unar's
// extraction time. Not a test: run by hand,
//   rarpack_bench [MB per input, default 10]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "RarTestData.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

namespace {

using namespace sunvale;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

void Measure(const std::string& label, const std::vector<uint8_t>& data, RarAudioMode audio,
             int level)
{
    RarPackOptions options;
    options.level = level;
    options.audio = audio;
    std::vector<uint8_t> archive;
    std::string error;
    auto t0 = Clock::now();
    const bool packed = PackRarArchive({{"input.bin", data, 0}}, options, &archive, &error);
    const double packTime = Seconds(t0);
    const std::string path = rartest::TempDir() + "/" + label + ".rar";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(archive.data()),
               static_cast<std::streamsize>(archive.size()));
    unsigned char* out = nullptr;
    uint32_t size = 0;
    t0 = Clock::now();
    const bool ok = packed && RarExtract(&out, &size, "input.bin", path.c_str(), "") &&
                    std::vector<uint8_t>(out, out + size) == data;
    const double unpackTime = Seconds(t0);
    std::free(out);
    t0 = Clock::now();
    const bool unar =
        std::system(("unar -q -f -o '" + path + ".unar' '" + path + "' >/dev/null 2>&1").c_str()) ==
        0;
    const double unarTime = Seconds(t0), mb = static_cast<double>(data.size()) / 1e6;
    std::printf(
        "%-14s m%d  %7.2f MB -> %9zu bytes (%5.1f%%)  pack %6.2f s (%6.1f MB/s)  unpack %6.3f s "
        "(%6.1f MB/s)%s"
        "  unar %6.3f s%s (x%.1f)\n",
        label.c_str(), level, mb, archive.size(), static_cast<double>(archive.size()) / 1e4 / mb,
        packTime, mb / packTime, unpackTime, mb / unpackTime, ok ? "" : " FAILED", unarTime,
        unar ? "" : " FAILED", unarTime / unpackTime);
}

}  // namespace

int main(int argc, char** argv)
{
    const size_t bytes = static_cast<size_t>((argc > 1 ? std::atof(argv[1]) : 10.0) * 1e6);
    const std::vector<uint8_t> text = rartest::MakeText(bytes, 2024);
    const std::vector<uint8_t> samples = rartest::MakeSamples(bytes / 4, 2, 2, 2025);
    // Already-compressed assets (JPEG, MP3) behave like noise: they end up
    // stored, and what counts is how fast the packer gives up on them.
    std::vector<uint8_t> noise(bytes);
    uint32_t s = 77;
    for (uint8_t& b : noise) b = static_cast<uint8_t>((s = s * 1664525u + 1013904223u) >> 24);
    Measure("text3", text, RarAudioMode::Auto, 3);
    Measure("text5", text, RarAudioMode::Auto, 5);
    Measure("samples_auto", samples, RarAudioMode::Auto, 3);
    Measure("samples_lz", samples, RarAudioMode::Never, 3);
    Measure("noise", noise, RarAudioMode::Auto, 3);
    return 0;
}
