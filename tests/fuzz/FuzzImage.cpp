// Fuzz entry point for the image decoders: the bytes go through format
// detection to the JPEG, PNG or TGA decoder, exactly as an extracted archive
// member would.
#include <cstdint>
#include <cstring>
#include <memory>

#include "library/moxa/imagelib/ImageData.h"
#include "library/moxa/imagelib/ImageLoader.h"

using sunvale::ImageData;
using sunvale::ImageLoader;

// Keeps the byte sums below from being optimised away.
volatile unsigned g_sink;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > UINT32_MAX) return 0;
    // A private heap copy of exactly size bytes, so a read past the end is caught.
    std::unique_ptr<unsigned char[]> copy(new unsigned char[size ? size : 1]);
    if (size) std::memcpy(copy.get(), data, size);
    const uint32_t n = static_cast<uint32_t>(size);
    ImageData* image = nullptr;
    switch (ImageLoader::DetectFormat(copy.get(), n)) {
    case ImageLoader::kFormatJpeg:
        image = ImageLoader::DecodeJpeg(copy.get(), n);
        break;
    case ImageLoader::kFormatPng:
        image = ImageLoader::DecodePng(copy.get(), n);
        break;
    case ImageLoader::kFormatTga:
        image = ImageLoader::DecodeTga(copy.get(), n);
        break;
    default:
        break;
    }
    if (image != nullptr) {
        // Every sample the decoder claims must be there.
        const size_t samples =
            static_cast<size_t>(image->width) * image->height * (image->bitsPerPixel / 8);
        unsigned sum = 0;
        for (size_t i = 0; i < samples; ++i) sum += image->pixels[i];
        g_sink = sum;
        delete image;
    }
    return 0;
}
