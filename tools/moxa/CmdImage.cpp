// moxa image: decodes one archive entry the way the show does (extraction,
// format detection, JPEG/PNG/TGA decoding) and writes the pixels as a PNG.
// 8-bit images (grey JPEGs, palette indices) are written as grey levels.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "CommandRegistry.h"
#include "InterruptCleanup.h"
#include "library/moxa/imagelib/ImageLoader.h"

namespace {

const char kUsage[] = "image ARCHIVE ENTRY OUT.png";

// Writes image to path as an 8-bit grey, RGB or RGBA PNG.
bool WritePng(const sunvale::ImageData& image, const char* path)
{
    png_image out;
    std::memset(&out, 0, sizeof out);
    out.version = PNG_IMAGE_VERSION;
    out.width = image.width;
    out.height = image.height;
    switch (image.bitsPerPixel) {
    case 8:
        out.format = PNG_FORMAT_GRAY;
        break;
    case 24:
        out.format = PNG_FORMAT_RGB;
        break;
    case 32:
        out.format = PNG_FORMAT_RGBA;
        break;
    default:
        std::fprintf(stderr, "moxa image: unexpected depth %u\n", image.bitsPerPixel);
        return false;
    }
    // An interrupt while the file is written removes it.
    sunvale::PartialFile partial;
    partial.Track(path);
    if (!png_image_write_to_file(&out, path, 0, image.pixels, 0, nullptr)) {
        std::fprintf(stderr, "moxa image: cannot write %s: %s\n", path, out.message);
        png_image_free(&out);
        return false;
    }
    return true;
}

int RunImage(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    const char* archive = argv[1];
    const char* entry = argv[2];
    const char* outPath = argv[3];

    sunvale::ImageLoader loader;
    std::unique_ptr<sunvale::ImageData> image(loader.LoadImage(entry, archive));
    if (!image) {
        std::fprintf(
            stderr, "moxa image: cannot load %s from %s (missing, unknown format or undecodable)\n",
            entry, archive);
        return 1;
    }
    std::printf("%s: width %u height %u bits %u\n", entry, image->width, image->height,
                image->bitsPerPixel);
    return WritePng(*image, outPath) ? 0 : 1;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_imageCommand, "image", kUsage, "decode an image entry and write it as PNG",
                      RunImage);
