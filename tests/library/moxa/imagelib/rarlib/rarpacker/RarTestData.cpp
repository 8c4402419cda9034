// Test inputs and archive checks shared by the packer tests and benchmark.
#include "RarTestData.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

namespace fs = std::filesystem;

namespace sunvale {
namespace rartest {

namespace {

uint32_t Next(uint32_t* s) {
    *s = *s * 1664525u + 1013904223u;
    return *s >> 8;
}

const char* const kWords[] = {"the",   "sun",    "vale",  "light", "over",  "river",  "stone", "and",   "of",
                              "a",     "music",  "plays", "while", "blue",  "tunnel", "head",  "model", "turns",
                              "field", "boxes",  "noise", "fade",  "to",    "black",  "in",    "slow",  "motion",
                              "zen",   "trope",  "frame", "clock", "ticks", "seven",  "bright", "warm", "cloud"};
constexpr size_t kWordCount = sizeof(kWords) / sizeof(kWords[0]);

// Folders made by MakeTempDir, removed when the process ends.
struct TempDirs {
    std::vector<std::string> paths;
    ~TempDirs() {
        std::error_code ec;
        for (const std::string& p : paths) fs::remove_all(p, ec);
    }
};
TempDirs g_tempDirs;

}  // namespace

std::vector<uint8_t> MakeText(size_t size, uint32_t seed) {
    std::vector<uint8_t> out;
    out.reserve(size + 256);
    std::vector<std::string> sentences;
    uint32_t s = seed;
    while (out.size() < size) {
        std::string sentence;
        if (!sentences.empty() && Next(&s) % 4 == 0) {
            sentence = sentences[Next(&s) % sentences.size()];
        } else {
            const int words = 4 + static_cast<int>(Next(&s) % 12);
            for (int w = 0; w < words; ++w) {
                // Skewed word choice: low indices are common.
                const uint32_t r = Next(&s) % kWordCount;
                const uint32_t r2 = Next(&s) % kWordCount;
                sentence += kWords[std::min(r, r2)];
                if (Next(&s) % 9 == 0) sentence += std::to_string(Next(&s) % 1000);
                sentence += w + 1 < words ? " " : ".";
            }
            sentence[0] = static_cast<char>(sentence[0] - 32);
            sentence += Next(&s) % 6 == 0 ? "\n" : " ";
            if (sentences.size() < 4000) sentences.push_back(sentence);
        }
        out.insert(out.end(), sentence.begin(), sentence.end());
    }
    out.resize(size);
    return out;
}

std::vector<uint8_t> MakeBinary(size_t size, uint32_t seed) {
    std::vector<uint8_t> out(size);
    uint32_t s = seed;
    for (size_t i = 0; i < size; ++i) {
        const uint32_t v = Next(&s);
        out[i] = static_cast<uint8_t>((i / 512) % 3 == 0 ? v & 0x3F : v);
    }
    return out;
}

std::vector<uint8_t> MakeSamples16(size_t frames, int channels, uint32_t seed) {
    std::vector<uint8_t> out;
    out.reserve(frames * channels * 2);
    uint32_t s = seed;
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double t = static_cast<double>(i);
            const double v = 7000.0 * std::sin(t * 0.031 * (c + 1)) + 3000.0 * std::sin(t * 0.0071 + c) +
                             1200.0 * std::sin(t * 0.173) + static_cast<double>(Next(&s) % 64) - 32.0;
            const int16_t sample = static_cast<int16_t>(std::lround(v));
            out.push_back(static_cast<uint8_t>(sample & 0xFF));
            out.push_back(static_cast<uint8_t>((sample >> 8) & 0xFF));
        }
    }
    return out;
}

std::vector<uint8_t> MakeSamples8(size_t frames, int channels, uint32_t seed) {
    std::vector<uint8_t> out;
    out.reserve(frames * channels);
    uint32_t s = seed;
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out.push_back(static_cast<uint8_t>(128.0 + 90.0 * std::sin(static_cast<double>(i) * 0.02 * (c + 1)) +
                                               static_cast<double>(Next(&s) % 5)));
    return out;
}

std::vector<uint8_t> MakeWav16(size_t frames, int channels, uint32_t seed) {
    const std::vector<uint8_t> pcm = MakeSamples16(frames, channels, seed);
    std::vector<uint8_t> out;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&](uint32_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto tag = [&](const char* t) { out.insert(out.end(), t, t + 4); };
    tag("RIFF");
    put32(static_cast<uint32_t>(36 + pcm.size()));
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(1);
    put16(static_cast<uint32_t>(channels));
    put32(44100);
    put32(44100u * 2 * channels);
    put16(static_cast<uint32_t>(2 * channels));
    put16(16);
    tag("data");
    put32(static_cast<uint32_t>(pcm.size()));
    out.insert(out.end(), pcm.begin(), pcm.end());
    return out;
}

RarPackEntry Entry(const std::string& name, std::vector<uint8_t> data) {
    RarPackEntry e;
    e.name = name;
    e.data = std::move(data);
    e.dosTime = kDosTime;
    return e;
}

std::string MakeTempDir(const std::string& tag) {
    static int counter = 0;
    const fs::path dir = fs::temp_directory_path() /
                         ("rarpack_" + tag + "_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
    g_tempDirs.paths.push_back(dir.string());
    return dir.string();
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

std::string PackToFile(const std::string& dir, const std::string& name, const std::vector<RarPackEntry>& entries,
                       const RarPackOptions& options, std::vector<uint8_t>* archive) {
    std::vector<uint8_t> bytes;
    std::string error;
    if (!PackRarArchive(entries, options, &bytes, &error)) return "";
    const std::string path = dir + "/" + name;
    if (!WriteFile(path, bytes)) return "";
    if (archive) *archive = std::move(bytes);
    return path;
}

bool ExtractWithReader(const std::string& archive, const std::string& name, std::vector<uint8_t>* bytes) {
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (!RarExtract(&data, &size, name.c_str(), archive.c_str(), "")) return false;
    bytes->assign(data, data + size);
    std::free(data);
    return true;
}

std::string CheckWithUnar(const std::string& archive, const std::vector<RarPackEntry>& entries) {
    const std::string out = archive + ".unar";
    const std::string cmd = "unar -q -f -D -o '" + out + "' '" + archive + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) return "unar failed on " + archive;
    for (const RarPackEntry& e : entries) {
        std::string rel = e.name;
        for (char& c : rel)
            if (c == '\\') c = '/';
        std::vector<uint8_t> got;
        if (!ReadFile(out + "/" + rel, &got)) return "unar did not produce " + rel;
        if (got != e.data) return "unar output differs for " + rel;
    }
    return "";
}

std::string CheckArchive(const std::string& archive, const std::vector<RarPackEntry>& entries) {
    for (const RarPackEntry& e : entries) {
        std::vector<uint8_t> got;
        if (!ExtractWithReader(archive, e.name, &got)) return "RarExtract refused " + e.name;
        if (got != e.data) return "RarExtract output differs for " + e.name;
    }
    return CheckWithUnar(archive, entries);
}

}  // namespace rartest
}  // namespace sunvale
