// Writes the seed corpora of the fuzz targets, made by our own packer,
// 3DS writer and image and sound encoders:
//   fuzz_seeds DIR   ->  DIR/archive, DIR/image, DIR/3ds, DIR/sound
// Each seed is small (a few KiB), so the fuzzers start from valid files and
// mutate their way into the corners of each format.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/sound/TestAudio.h"
#include "library/moxa/3d/TestScenes.h"
#include "library/moxa/3d/writer/Writer3ds.h"
#include "library/moxa/imagelib/ImageTestFiles.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace {

using sunvale::RarAudioMode;
using sunvale::RarPackEntry;
using sunvale::RarPackOptions;

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// The archive target's input: name length, name, archive.
std::vector<uint8_t> ArchiveSeed(const std::string& name, const std::vector<RarPackEntry>& entries,
                                 const RarPackOptions& options)
{
    std::vector<uint8_t> archive;
    std::string error;
    if (!sunvale::PackRarArchive(entries, options, &archive, &error)) return {};
    std::vector<uint8_t> seed;
    seed.push_back(static_cast<uint8_t>(name.size()));
    seed.insert(seed.end(), name.begin(), name.end());
    seed.insert(seed.end(), archive.begin(), archive.end());
    return seed;
}

std::vector<uint8_t> Text(size_t size)
{
    static const char kWords[] = "the quick sun over the vale rises ";
    std::vector<uint8_t> text(size);
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<uint8_t>(kWords[(i * 7 + i / 13) % 34]);
    return text;
}

std::vector<uint8_t> AudioBytes(size_t size, int channels)
{
    std::vector<uint8_t> audio(size);
    for (size_t i = 0; i < size; ++i)
        audio[i] = static_cast<uint8_t>(128 + 60 * ((i / channels) % 40 < 20 ? 1 : -1) *
                                                  static_cast<int>((i / channels) % 20) / 20);
    return audio;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    const std::string root = argv[1];
    int failures = 0;
    auto put = [&](const std::string& dir, const std::string& name,
                   const std::vector<uint8_t>& bytes) {
        mkdir((root + "/" + dir).c_str(), 0755);
        if (bytes.empty() || !WriteFile(root + "/" + dir + "/" + name, bytes)) {
            std::fprintf(stderr, "fuzz_seeds: cannot write %s/%s\n", dir.c_str(), name.c_str());
            ++failures;
        }
    };
    mkdir(root.c_str(), 0755);

    // Archives: stored, packed, solid with several entries, audio blocks.
    const std::vector<RarPackEntry> few = {
        {"a.txt", Text(600), 0}, {"b/c.bin", Text(1500), 0}, {"empty", {}, 0}};
    RarPackOptions stored;
    stored.level = 0;
    put("archive", "stored", ArchiveSeed("a.txt", few, stored));
    put("archive", "packed", ArchiveSeed("b/c.bin", few, RarPackOptions{}));
    RarPackOptions solid;
    solid.solid = true;
    solid.maxBlockSymbols = 200;
    put("archive", "solid", ArchiveSeed("b/c.bin", few, solid));
    RarPackOptions audio;
    audio.audio = RarAudioMode::Force;
    audio.solid = true;
    put("archive", "audio",
        ArchiveSeed("s2.raw",
                    {{"s1.raw", AudioBytes(900, 1), 0}, {"s2.raw", AudioBytes(1200, 2), 0}},
                    audio));

    // Images: baseline and progressive JPEG, PNG of several kinds, TGA.
    using namespace sunvale::test;
    put("image", "rgb.jpg", EncodeJpeg(GradientPixels(16, 8, 3), 16, 8, 3));
    put("image", "grey.jpg", EncodeJpeg(GradientPixels(8, 8, 1), 8, 8, 1));
    // Claims 19014 x 18758 pixels with the data of 16 x 16: must be refused fast.
    put("image", "huge-claim.jpg",
        WithJpegFrameSize(EncodeJpeg(GradientPixels(16, 16, 3), 16, 16, 3, true), 19014, 18758));
    put("image", "arithmetic.jpg",
        WithJpegFrameSize(EncodeJpeg(GradientPixels(16, 16, 1), 16, 16, 1, false, true, true),
                          11848, 29866));
    put("image", "rgba.png",
        EncodePng(8, 4, PNG_COLOR_TYPE_RGBA, 8, false, GradientPixels(8, 4, 4)));
    put("image", "interlaced.png",
        EncodePng(8, 8, PNG_COLOR_TYPE_RGB, 8, true, GradientPixels(8, 8, 3)));
    put("image", "rgb.tga", EncodeTga(GradientPixels(8, 4, 3), 8, 4, 24));
    put("image", "rgba.tga", EncodeTga(GradientPixels(4, 4, 4), 4, 4, 32));

    // A 3DS scene with every chunk kind the loader reads.
    put("3ds", "rich.3ds", sunvale::Write3ds(sunvale::testscenes::RichScene()));

    // Sound: a short MP3 and a tiny module.
    const std::vector<unsigned char> mp3 = sunvale::testaudio::EncodeMp3(
        sunvale::testaudio::SineStereo(4410, 44100, 440.0, 0.5), 44100);
    put("sound", "tone.mp3", std::vector<uint8_t>(mp3.begin(), mp3.end()));
    const std::vector<unsigned char> mod = sunvale::testaudio::MakeTinyMod();
    put("sound", "tiny.mod", std::vector<uint8_t>(mod.begin(), mod.end()));

    return failures == 0 ? 0 : 1;
}
