// Test image encoders (see ImageTestFiles.h).
#include "ImageTestFiles.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>
#include <png.h>

namespace sunvale::test {

namespace {

void AppendPngData(png_structp png, png_bytep data, png_size_t length)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushPngData(png_structp) {}

// No destructible locals: libpng longjmps here on error.
bool WritePng(const PngPicture& picture, Bytes* out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, AppendPngData, FlushPngData);
    png_set_IHDR(png, info, picture.width, picture.height, picture.bitDepth, picture.colorType,
                 picture.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    for (int i = 0; i < 256; ++i) {
        palette[i].red = png_byte(i);
        palette[i].green = png_byte(255 - i);
        palette[i].blue = png_byte(i * 7);
    }
    if (picture.colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, picture.paletteSize);
    png_write_info(png, info);

    const int passes = picture.interlaced ? png_set_interlace_handling(png) : 1;
    const size_t rowBytes = picture.height ? picture.rows.size() / picture.height : 0;
    for (int pass = 0; pass < passes; ++pass)
        for (uint32_t y = 0; y < picture.height; ++y)
            png_write_row(png, picture.rows.data() + y * rowBytes);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

Bytes GradientPixels(uint32_t width, uint32_t height, uint32_t channels)
{
    const uint32_t w = width > 1 ? width - 1 : 1;
    const uint32_t h = height > 1 ? height - 1 : 1;
    Bytes pixels(size_t(width) * height * channels);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t* p = pixels.data() + (size_t(y) * width + x) * channels;
            const uint8_t diagonal = uint8_t((x * 255 / w + y * 255 / h) / 2);
            if (channels == 1) {
                p[0] = diagonal;
                continue;
            }
            p[0] = uint8_t(x * 255 / w);
            p[1] = uint8_t(y * 255 / h);
            p[2] = uint8_t(255 - diagonal);
            if (channels == 4) p[3] = uint8_t(40 + (x * 7 + y * 13) % 200);
        }
    return pixels;
}

Bytes EncodeJpeg(const Bytes& pixels, uint32_t width, uint32_t height, int components, const JpegOptions& options)
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
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.progressive) jpeg_simple_progression(&cinfo);
    cinfo.write_JFIF_header = options.jfif ? TRUE : FALSE;
    jpeg_start_compress(&cinfo, TRUE);
    const size_t rowBytes = size_t(width) * components;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + cinfo.next_scanline * rowBytes);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes file(buffer, buffer + size);
    std::free(buffer);
    return file;
}

Bytes ReferenceDecodeJpeg(const Bytes& file, uint32_t* width, uint32_t* height, int* components)
{
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), file.size());
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    *width = cinfo.output_width;
    *height = cinfo.output_height;
    *components = cinfo.output_components;
    const size_t rowBytes = size_t(cinfo.output_width) * cinfo.output_components;
    Bytes pixels(rowBytes * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels.data() + cinfo.output_scanline * rowBytes;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return pixels;
}

Bytes EncodePng(const PngPicture& picture)
{
    Bytes out;
    if (!WritePng(picture, &out)) out.clear();
    return out;
}

Bytes EncodeTga(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t bitsPerPixel, uint8_t idLength)
{
    const uint32_t bytesPerPixel = bitsPerPixel / 8;
    Bytes file(18, 0);
    file[0] = idLength;
    file[2] = 2;  // uncompressed true colour
    file[12] = uint8_t(width);
    file[13] = uint8_t(width >> 8);
    file[14] = uint8_t(height);
    file[15] = uint8_t(height >> 8);
    file[16] = uint8_t(bitsPerPixel);
    file[17] = bytesPerPixel == 4 ? 8 : 0;  // alpha bits; origin bottom left
    for (uint8_t i = 0; i < idLength; ++i) file.push_back(uint8_t('a' + i % 26));
    for (uint32_t r = 0; r < height; ++r) {
        const uint8_t* row = pixels.data() + size_t(height - 1 - r) * width * bytesPerPixel;
        for (uint32_t x = 0; x < width; ++x) {
            const uint8_t* p = row + size_t(x) * bytesPerPixel;
            file.push_back(p[2]);
            file.push_back(p[1]);
            file.push_back(p[0]);
            if (bytesPerPixel == 4) file.push_back(p[3]);
        }
    }
    return file;
}

}  // namespace sunvale::test
