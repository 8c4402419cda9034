// Encodes generated pictures into the files the show reads: baseline JFIF
// JPEG and 8-bit RGB/RGBA PNG, into memory, with fixed encoder settings so
// that the same picture always gives the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Raster.h"

namespace sunvale {
namespace datagen {

class ImageEncoder {
public:
    // Baseline JFIF, 4:2:0, integer DCT, standard Huffman tables.
    static bool EncodeJpeg(const Raster& image, int quality, std::vector<uint8_t>* out,
                           std::string* error);
    // 8-bit RGBA when withAlpha, else 8-bit RGB; zlib level 6, adaptive filters.
    static bool EncodePng(const Raster& image, bool withAlpha, std::vector<uint8_t>* out,
                          std::string* error);
};

}  // namespace datagen
}  // namespace sunvale
