// Decodes the images of the archive from memory: a file is extracted with
// RarExtract, recognised by its first bytes and decoded with libjpeg, libpng
// or the small TGA reader below into an ImageData record.
#pragma once

#include <cstdint>

#include "library/moxa/imagelib/ImageData.h"

namespace sunvale {

class ImageLoader {
public:
    // Format codes of DetectFormat.
    static constexpr int kFormatUnknown = -1;
    static constexpr int kFormatJpeg = 0;
    static constexpr int kFormatPng = 1;
    static constexpr int kFormatTga = 2;

    // Extracts fileName from archiveName, decodes it and returns a new
    // record (the caller deletes it), or null when the file is missing, of
    // an unknown format or undecodable. The extracted data is always freed.
    ImageData* LoadImage(const char* fileName, const char* archiveName);

    // Format of the size bytes at data: kFormatJpeg for a JFIF file,
    // kFormatPng, kFormatTga for an uncompressed true-colour TGA without an
    // ID field or colour map, kFormatUnknown otherwise and for any file
    // shorter than 64 bytes.
    static int DetectFormat(const unsigned char* data, uint32_t size);

    // Decoders of the size bytes at data; none reads past them. Each returns
    // a new record or null for a file it cannot decode completely.
    //
    // JPEG: one component gives 8 bits (grey), three give 24 bits (RGB).
    static ImageData* DecodeJpeg(const unsigned char* data, uint32_t size);
    // PNG: palette images give 8-bit indices (1, 2 and 4-bit indices are
    // unpacked to one per byte); grey images are expanded to RGB, grey with
    // alpha to RGBA; 16-bit samples are reduced to 8 bits.
    static ImageData* DecodePng(const unsigned char* data, uint32_t size);
    // TGA: uncompressed 24 or 32-bit pixels, stored bottom row first in
    // B, G, R (, A) order.
    static ImageData* DecodeTga(const unsigned char* data, uint32_t size);
};

}  // namespace sunvale
