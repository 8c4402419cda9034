// Packing and unpacking throughput of the RAR 2.x packer and the show's
// reader on generated text and 16-bit stereo samples, against unar's
// extraction time and zlib level 9 size. Not a test: run by hand,
//   rarpack_bench [MB per input, default 10]
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "RarTestData.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace {

using namespace sunvale;
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

size_t ZlibSize(const std::vector<uint8_t>& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::vector<Bytef> out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), 9) != Z_OK) return 0;
    return size;
}

void Measure(const std::string& dir, const char* label, const std::vector<uint8_t>& data, RarAudioMode audio,
             int level) {
    const double mb = static_cast<double>(data.size()) / 1e6;
    RarPackOptions options;
    options.level = level;
    options.audio = audio;
    const std::vector<RarPackEntry> entries = {rartest::Entry("input.bin", data)};
    std::vector<uint8_t> archive;
    std::string error;
    auto t0 = Clock::now();
    if (!PackRarArchive(entries, options, &archive, &error)) {
        std::printf("%s: pack failed: %s\n", label, error.c_str());
        return;
    }
    const double packTime = Seconds(t0);
    const std::string path = dir + "/" + label + ".rar";
    rartest::WriteFile(path, archive);

    std::vector<uint8_t> back;
    t0 = Clock::now();
    const bool ok = rartest::ExtractWithReader(path, "input.bin", &back) && back == data;
    const double unpackTime = Seconds(t0);

    const std::string cmd = "unar -q -f -o '" + dir + "/unar_" + label + "' '" + path + "' >/dev/null 2>&1";
    t0 = Clock::now();
    const int unarStatus = std::system(cmd.c_str());
    const double unarTime = Seconds(t0);

    std::printf("%-14s m%d  %7.2f MB -> %9zu bytes (%5.1f%%)  pack %6.2f s (%6.1f MB/s)  unpack %6.3f s (%6.1f MB/s)%s"
                "  unar %6.3f s%s (x%.1f)\n",
                label, level, mb, archive.size(), 100.0 * static_cast<double>(archive.size()) / static_cast<double>(data.size()),
                packTime, mb / packTime, unpackTime, mb / unpackTime, ok ? "" : " MISMATCH", unarTime,
                unarStatus == 0 ? "" : " FAILED", unarTime / unpackTime);
}

}  // namespace

int main(int argc, char** argv) {
    const double mb = argc > 1 ? std::atof(argv[1]) : 10.0;
    const size_t bytes = static_cast<size_t>(mb * 1e6);
    const std::string dir = rartest::MakeTempDir("bench");
    const std::vector<uint8_t> text = rartest::MakeText(bytes, 2024);
    const std::vector<uint8_t> samples = rartest::MakeSamples16(bytes / 4, 2, 2025);
    std::printf("zlib -9: text %zu bytes, samples %zu bytes\n", ZlibSize(text), ZlibSize(samples));
    for (int level : {3, 5}) Measure(dir, ("text" + std::to_string(level)).c_str(), text, RarAudioMode::Auto, level);
    Measure(dir, "samples_auto", samples, RarAudioMode::Auto, 3);
    Measure(dir, "samples_lz", samples, RarAudioMode::Never, 3);
    // Already-compressed assets (JPEG, MP3) behave like noise: they end up
    // stored, and what counts is how fast the packer gives up on them.
    std::vector<uint8_t> noise(bytes);
    uint32_t s = 77;
    for (uint8_t& b : noise) b = static_cast<uint8_t>((s = s * 1664525u + 1013904223u) >> 24);
    Measure(dir, "noise", noise, RarAudioMode::Auto, 3);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}
