// Test inputs and archive checks shared by the packer tests and benchmark.
#include "RarTestData.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"
#include "support/ScopedTempDir.h"

namespace sunvale {
namespace rartest {

namespace {

uint32_t Next(uint32_t* s)
{
    *s = *s * 1664525u + 1013904223u;
    return *s >> 8;
}

}  // namespace

std::vector<uint8_t> MakeText(size_t size, uint32_t seed)
{
    static const char* const kWords[] = {
        "the",   "sun",   "vale",  "light", "over",  "river", "stone",  "and",
        "of",    "a",     "music", "plays", "while", "blue",  "tunnel", "head",
        "model", "turns", "field", "boxes", "noise", "fade",  "to",     "black",
        "in",    "slow",  "zen",   "frame", "clock", "ticks", "seven",  "cloud"};
    std::string out;
    while (out.size() < size) {
        const uint32_t a = Next(&seed), b = Next(&seed);
        if (out.size() > 1000 && a % 16 == 0) {  // a sentence or so from earlier on
            out.append(out, b % (out.size() - 200), 20 + a % 60);
        } else {
            out += kWords[std::min(a % 32, b % 32)];  // skewed: low indices are common
            out += a % 97 == 1 ? std::to_string(b % 1000) + ".\n" : a % 13 == 1 ? ". " : " ";
        }
    }
    return std::vector<uint8_t>(out.begin(), out.begin() + static_cast<long>(size));
}

std::vector<uint8_t> MakeBinary(size_t size, uint32_t seed)
{
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i)
        out[i] = static_cast<uint8_t>(Next(&seed) & ((i / 512) % 3 ? 0xFF : 0x3F));
    return out;
}

std::vector<uint8_t> MakeSamples(size_t frames, int channels, int bytesPerSample, uint32_t seed)
{
    std::vector<uint8_t> out;
    const double scale = bytesPerSample == 2 ? 1.0 : 1.0 / 128;
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double t = static_cast<double>(i);
            const double v = 7000.0 * std::sin(t * 0.031 * (c + 1)) +
                             3000.0 * std::sin(t * 0.0071 + c) + 1200.0 * std::sin(t * 0.173) +
                             static_cast<double>(Next(&seed) % 64) - 32.0;
            const long sample = std::lround(v * scale) + (bytesPerSample == 2 ? 0 : 128);
            for (int b = 0; b < bytesPerSample; ++b)
                out.push_back(static_cast<uint8_t>(sample >> (8 * b)));
        }
    }
    return out;
}

std::vector<uint8_t> MakeWav16(size_t frames, int channels, uint32_t seed)
{
    const std::vector<uint8_t> pcm = MakeSamples(frames, channels, 2, seed);
    std::vector<uint8_t> out;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto tag = [&](const char* t) { out.insert(out.end(), t, t + 4); };
    const uint32_t blockAlign = 2u * static_cast<uint32_t>(channels);
    tag("RIFF"), put(static_cast<uint32_t>(36 + pcm.size()), 4), tag("WAVE");
    tag("fmt "), put(16, 4), put(1, 2), put(static_cast<uint32_t>(channels), 2);  // PCM
    put(44100, 4), put(44100 * blockAlign, 4), put(blockAlign, 2), put(16, 2);
    tag("data"), put(static_cast<uint32_t>(pcm.size()), 4);
    out.insert(out.end(), pcm.begin(), pcm.end());
    return out;
}

const std::string& TempDir() { return testsupport::ProcessTempDir().Path(); }

std::string RoundTrip(const std::string& name, const std::vector<RarPackEntry>& entries,
                      const RarPackOptions& options, std::vector<uint8_t>* archive)
{
    std::vector<uint8_t> bytes;
    std::string error;
    const std::string path = TempDir() + "/" + name;
    if (!PackRarArchive(entries, options, &bytes, &error)) return "packing failed: " + error;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    for (const RarPackEntry& e : entries) {
        unsigned char* data = nullptr;
        uint32_t size = 0;
        if (!RarExtract(&data, &size, e.name.c_str(), path.c_str(), ""))
            return "RarExtract refused " + e.name;
        const bool same = std::vector<uint8_t>(data, data + size) == e.data;
        std::free(data);
        if (!same) return "RarExtract output differs for " + e.name;
    }
    const std::string cmd = "unar -q -f -D -o '" + path + ".unar' '" + path + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return "unar failed on " + name;
    for (const RarPackEntry& e : entries) {
        std::string rel = e.name;
        std::replace(rel.begin(), rel.end(), '\\', '/');
        std::ifstream in(path + ".unar/" + rel, std::ios::binary);
        if (std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}) != e.data)
            return "unar output differs for " + rel;
    }
    if (archive) *archive = std::move(bytes);
    return "";
}

}  // namespace rartest
}  // namespace sunvale
