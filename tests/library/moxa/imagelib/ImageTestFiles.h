// Encoders for the image tests: JPEG and PNG through libjpeg and libpng,
// TGA by hand, from pixel patterns defined here.
#pragma once

#include <cstdint>
#include <vector>

namespace sunvale::test {

using Bytes = std::vector<uint8_t>;

// A smooth colour pattern (JPEG keeps it close): width * height * channels
// samples, top row first.
Bytes GradientPixels(uint32_t width, uint32_t height, uint32_t channels);

struct JpegOptions {
    bool progressive = false;
    bool jfif = true;  // false: no JFIF APP0 segment after SOI
    int quality = 95;
};

// Encodes width * height pixels of components samples (1 grey, 3 RGB,
// 4 CMYK).
Bytes EncodeJpeg(const Bytes& pixels, uint32_t width, uint32_t height, int components,
                 const JpegOptions& options = {});

// Decodes with libjpeg's own memory source and default output: the
// reference for our decoder. Empty on failure.
Bytes ReferenceDecodeJpeg(const Bytes& file, uint32_t* width, uint32_t* height, int* components);

struct PngPicture {
    uint32_t width = 0;
    uint32_t height = 0;
    int colorType = 2;  // PNG_COLOR_TYPE_*
    int bitDepth = 8;
    bool interlaced = false;
    Bytes rows;           // rows in the file's own layout, (bitDepth * channels * width + 7) / 8 bytes each
    int paletteSize = 0;  // palette entries for colour type 3
};

// Encodes picture; empty when libpng refuses it.
Bytes EncodePng(const PngPicture& picture);

// Uncompressed true-colour TGA: rows bottom up, B, G, R (, A); pixels are
// given top row first in R, G, B (, A). idLength bytes of ID field follow
// the header.
Bytes EncodeTga(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                uint8_t idLength = 0);

}  // namespace sunvale::test
