// Test material for the image tests: JPEG and PNG files made with libjpeg
// and libpng, TGA files made by hand, and one archive made by our packer.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
// After <cstdio>: jpeglib.h uses FILE and size_t without declaring them.
#include <jpeglib.h>
#include <png.h>

#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"
#include "support/ScopedTempDir.h"

namespace sunvale::test {

using Bytes = std::vector<uint8_t>;

// A smooth pattern (JPEG keeps it close) of width * height * channels
// samples, top row first: R, G, B ramp across, down and diagonally, alpha
// varies from pixel to pixel; one channel holds the diagonal ramp.
inline Bytes GradientPixels(uint32_t width, uint32_t height, uint32_t channels)
{
    Bytes pixels;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t across = x * 255 / std::max(width - 1, 1u),
                           down = y * 255 / std::max(height - 1, 1u);
            const uint8_t rgba[4] = {uint8_t(across), uint8_t(down),
                                     uint8_t(255 - (across + down) / 2),
                                     uint8_t(40 + (x * 7 + y * 13) % 200)};
            pixels.insert(pixels.end(), rgba + (channels == 1 ? 2 : 0),
                          rgba + (channels == 1 ? 3 : channels));
        }
    return pixels;
}

// components: 1 grey, 3 RGB, 4 CMYK. Without jfif the quantisation tables
// follow SOI directly; arithmetic replaces Huffman coding.
inline Bytes EncodeJpeg(const Bytes& pixels, uint32_t width, uint32_t height, int components,
                        bool progressive = false, bool jfif = true, bool arithmetic = false)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = width;
    cinfo.image_height = height;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    cinfo.write_JFIF_header = jfif ? TRUE : FALSE;
    cinfo.arith_code = arithmetic ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    for (JSAMPROW row; cinfo.next_scanline < height; jpeg_write_scanlines(&cinfo, &row, 1))
        row = const_cast<JSAMPROW>(&pixels[size_t(cinfo.next_scanline) * width * components]);
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes file(buffer, buffer + size);
    std::free(buffer);
    return file;
}

// Appends rows in the file's own layout to out; palette images get a
// palette of 2^bitDepth entries. false when libpng refuses the picture. No
// destructible locals: libpng longjmps here on error.
// The JPEG with the size in its frame header (SOF0..SOF15) replaced; empty when it has no such
// header.
inline Bytes WithJpegFrameSize(Bytes file, uint16_t width, uint16_t height)
{
    for (size_t i = 0; i + 9 < file.size(); ++i) {
        if (file[i] != 0xFF || (file[i + 1] & 0xF0) != 0xC0 || file[i + 1] == 0xC4) continue;
        file[i + 5] = uint8_t(height >> 8), file[i + 6] = uint8_t(height);
        file[i + 7] = uint8_t(width >> 8), file[i + 8] = uint8_t(width);
        return file;
    }
    return Bytes();
}

inline bool WritePng(uint32_t width, uint32_t height, int colorType, int bitDepth, bool interlaced,
                     const Bytes& rows, Bytes* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(
        png, out,
        [](png_structp p, png_bytep data, png_size_t length) {
            Bytes* bytes = static_cast<Bytes*>(png_get_io_ptr(p));
            bytes->insert(bytes->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, width, height, bitDepth, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    for (int i = 0; i < 256; ++i) palette[i] = {png_byte(i), png_byte(255 - i), png_byte(i * 7)};
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, 1 << bitDepth);
    png_write_info(png, info);
    for (int pass = interlaced ? png_set_interlace_handling(png) : 1; pass > 0; --pass)
        for (uint32_t y = 0; y < height; ++y)
            png_write_row(png, rows.data() + y * (rows.size() / height));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// The PNG file WritePng makes; empty when libpng refuses the picture.
inline Bytes EncodePng(uint32_t width, uint32_t height, int colorType, int bitDepth,
                       bool interlaced, const Bytes& rows)
{
    Bytes out;
    if (!WritePng(width, height, colorType, bitDepth, interlaced, rows, &out)) out.clear();
    return out;
}

// Uncompressed true colour, rows bottom up in B, G, R (, A), from pixels
// given top row first in R, G, B (, A), after idLength bytes of ID field.
inline Bytes EncodeTga(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel,
                       uint8_t idLength = 0)
{
    // No colour map, type 2, origin bottom left; 8 alpha bits for 32-bit pixels.
    Bytes file{idLength,
               0,
               2,
               0,
               0,
               0,
               0,
               0,
               0,
               0,
               0,
               0,
               uint8_t(width),
               uint8_t(width >> 8),
               uint8_t(height),
               uint8_t(height >> 8),
               uint8_t(bitsPerPixel),
               uint8_t(bitsPerPixel == 32 ? 8 : 0)};
    file.resize(file.size() + idLength, 'a');
    const size_t bytesPerPixel = bitsPerPixel / 8, rowBytes = bytesPerPixel * width;
    for (size_t r = height; r-- > 0;)
        for (size_t i = r * rowBytes; i < (r + 1) * rowBytes; i += bytesPerPixel) {
            file.insert(file.end(), {pixels[i + 2], pixels[i + 1], pixels[i]});
            if (bytesPerPixel == 4) file.push_back(pixels[i + 3]);
        }
    return file;
}

inline std::string TestArchivePath() { return testsupport::ProcessTempDir().File("images.rar"); }

// Path of an archive, written once per process and removed at exit, that
// holds data/texture/noize.jpg (16 x 16 colour JPEG), light.png (8 x 4 RGBA),
// flare.tga (8 x 8, 24 bits), all of GradientPixels, and data/readme.txt.
// Empty when it could not be written.
inline const std::string& TestArchive()
{
    static const std::string path = [] {
        const std::vector<RarPackEntry> entries = {
            {"data/texture/noize.jpg", EncodeJpeg(GradientPixels(16, 16, 3), 16, 16, 3), 0},
            {"data/texture/light.png",
             EncodePng(8, 4, PNG_COLOR_TYPE_RGBA, 8, false, GradientPixels(8, 4, 4)), 0},
            {"data/texture/flare.tga", EncodeTga(GradientPixels(8, 8, 3), 8, 8, 24), 0},
            {"data/readme.txt", Bytes(200, 'x'), 0},
        };
        std::string error;
        if (WriteRarArchive(TestArchivePath().c_str(), entries, RarPackOptions{}, &error)) {
            return TestArchivePath();
        }
        std::fprintf(stderr, "cannot write the test archive: %s\n", error.c_str());
        return std::string();
    }();
    return path;
}

}  // namespace sunvale::test
