// The decoded-image record shared by the decoders and the texture manager.
#include "library/moxa/imagelib/ImageData.h"

namespace sunvale {

ImageData::ImageData(uint32_t width, uint32_t height, uint32_t bitsPerPixel, unsigned char* pixels)
    : width(width), height(height), bitsPerPixel(bitsPerPixel), pixels(pixels)
{}

ImageData::~ImageData() { delete[] pixels; }

}  // namespace sunvale
