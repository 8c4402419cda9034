// Not a test: decoding every picture of the show's data.rar from memory (the
// members are extracted once, before timing), all of them and each format on
// its own, and turning the decoded pictures into textures with their full
// mip-map chains as the texture manager does, in a 16 x 16 offscreen
// context. Run from the build folder:
//   build/tests/library/moxa/imagelib/texture_decode_benchmark [ARCHIVE]
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "app/OffscreenContext.h"
#include "library/moxa/imagelib/CTexManager.h"
#include "library/moxa/imagelib/ImageLoader.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

namespace sunvale {
namespace {

struct Picture {
    std::string name;
    int format = ImageLoader::kFormatUnknown;
    std::vector<unsigned char> file;
};

std::vector<Picture> g_pictures;
std::unique_ptr<OffscreenContext> g_context;

// Every member under a texture folder of the archive, extracted.
std::vector<Picture> ExtractPictures(const std::string& archive)
{
    std::ifstream file(archive, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                     std::istreambuf_iterator<char>());
    RarDirectory directory;
    std::string error;
    std::vector<Picture> pictures;
    if (!directory.Read(bytes.data(), bytes.size(), &error)) return pictures;
    for (const RarDirectoryEntry& entry : directory.Entries()) {
        Picture picture;
        picture.name = entry.name;
        for (char& c : picture.name) c = c == '\\' ? '/' : c;
        if (picture.name.find("texture/") == std::string::npos) continue;
        unsigned char* data = nullptr;
        uint32_t size = 0;
        if (!RarExtract(&data, &size, picture.name.c_str(), archive.c_str(), "")) continue;
        picture.file.assign(data, data + size);
        std::free(data);
        picture.format = ImageLoader::DetectFormat(picture.file.data(), size);
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

ImageData* Decode(const Picture& picture)
{
    const unsigned char* data = picture.file.data();
    const uint32_t size = static_cast<uint32_t>(picture.file.size());
    switch (picture.format) {
    case ImageLoader::kFormatJpeg:
        return ImageLoader::DecodeJpeg(data, size);
    case ImageLoader::kFormatPng:
        return ImageLoader::DecodePng(data, size);
    case ImageLoader::kFormatTga:
        return ImageLoader::DecodeTga(data, size);
    default:
        return nullptr;
    }
}

// Decodes the pictures of one format (kFormatUnknown: all of them).
void DecodePictures(benchmark::State& state, int format)
{
    std::vector<const Picture*> chosen;
    for (const Picture& picture : g_pictures)
        if (format == ImageLoader::kFormatUnknown || picture.format == format)
            chosen.push_back(&picture);
    if (chosen.empty()) {
        state.SkipWithError("no such pictures in the archive");
        return;
    }
    double pixels = 0.0;
    for (auto _ : state) {
        pixels = 0.0;
        for (const Picture* picture : chosen) {
            std::unique_ptr<ImageData> image(Decode(*picture));
            if (!image) {
                state.SkipWithError(("cannot decode " + picture->name).c_str());
                return;
            }
            pixels += double(image->width) * image->height;
        }
    }
    state.counters["pictures"] = static_cast<double>(chosen.size());
    state.counters["Mpixel"] = pixels / 1e6;
}

// Uploads every decoded picture with its mip-map chain, then deletes it.
void BM_UploadAllTextures(benchmark::State& state)
{
    if (!g_context) {
        state.SkipWithError("no offscreen OpenGL context");
        return;
    }
    std::vector<std::unique_ptr<ImageData>> images;
    for (const Picture& picture : g_pictures) images.emplace_back(Decode(picture));
    CTexManager manager;
    for (auto _ : state) {
        for (const std::unique_ptr<ImageData>& image : images) {
            if (!image) continue;
            const int32_t texture = manager.UploadTexture(image->pixels, image->width,
                                                          image->height, image->bitsPerPixel, 1, 1);
            const GLuint name = static_cast<GLuint>(texture);
            if (texture != -1) glDeleteTextures(1, &name);
        }
        glFinish();
    }
    state.counters["pictures"] = static_cast<double>(images.size());
}

}  // namespace
}  // namespace sunvale

int main(int argc, char** argv)
{
    using sunvale::ImageLoader;
    benchmark::Initialize(&argc, argv);
    const std::string archive = argc > 1 ? argv[1] : "data.rar";
    sunvale::g_pictures = sunvale::ExtractPictures(archive);
    if (sunvale::g_pictures.empty()) {
        std::fprintf(stderr, "texture_decode_benchmark: no pictures in %s (run from build/)\n",
                     archive.c_str());
        return 1;
    }
    benchmark::RegisterBenchmark("BM_DecodeAllTextures", sunvale::DecodePictures,
                                 ImageLoader::kFormatUnknown)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_DecodeTextures/jpeg", sunvale::DecodePictures,
                                 ImageLoader::kFormatJpeg)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_DecodeTextures/png", sunvale::DecodePictures,
                                 ImageLoader::kFormatPng)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("BM_UploadAllTextures", sunvale::BM_UploadAllTextures)
        ->Unit(benchmark::kMillisecond);

    sunvale::g_context = std::make_unique<sunvale::OffscreenContext>();
    if (!sunvale::g_context->Create(16, 16)) sunvale::g_context.reset();
    benchmark::RunSpecifiedBenchmarks();
    sunvale::g_context.reset();
    return 0;
}
