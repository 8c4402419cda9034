// A decoded image: tightly packed 8-bit samples, top row first.
#pragma once

#include <cstdint>

namespace sunvale {

// width * height pixels of bitsPerPixel / 8 samples each, rows without
// padding. 8 bits: one sample (grey level of a JPEG, palette index of a PNG);
// 24 bits: R, G, B; 32 bits: R, G, B, A. Owns pixels (array new) and frees it
// with array delete. Created with new by the decoders, deleted by the texture
// manager after the upload.
struct ImageData {
    ImageData(uint32_t width, uint32_t height, uint32_t bitsPerPixel, unsigned char* pixels);
    ~ImageData();
    ImageData(const ImageData&) = delete;
    ImageData& operator=(const ImageData&) = delete;

    uint32_t width;
    uint32_t height;
    uint32_t bitsPerPixel;  // 8, 24 or 32
    unsigned char* pixels;  // width * height * bitsPerPixel / 8 bytes
};

}  // namespace sunvale
