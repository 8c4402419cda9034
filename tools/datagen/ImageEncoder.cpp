// JPEG and PNG encoding into memory through libjpeg and libpng. Each library
// reports fatal errors with longjmp; that jump is confined to one small
// function per library that owns no C++ objects.
#include "ImageEncoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
// After <cstdio>: jpeglib.h uses FILE and size_t without declaring them.
#include <jpeglib.h>
#include <png.h>

namespace sunvale {
namespace datagen {

namespace {

struct JpegErrorTrap {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr cinfo)
{
    auto* trap = reinterpret_cast<JpegErrorTrap*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, trap->message);
    longjmp(trap->jump, 1);
}

// Runs the whole compression; returns false with trap->message set on error.
// `memory`/`size` receive a malloc'd buffer that the caller frees.
bool CompressJpeg(const uint8_t* rgb, int width, int height, int quality, JpegErrorTrap* trap,
                  unsigned char** memory, unsigned long* size)
{
    jpeg_compress_struct cinfo;
    cinfo.err = jpeg_std_error(&trap->pub);
    trap->pub.error_exit = JpegErrorExit;
    if (setjmp(trap->jump)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, memory, size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = FALSE;
    cinfo.write_JFIF_header = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(rgb + static_cast<size_t>(cinfo.next_scanline) * width * 3);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

void PngWrite(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void PngFlush(png_structp) {}

// Writes the PNG through `sink`; rows point at tightly packed samples.
bool CompressPng(png_bytep* rows, int width, int height, bool withAlpha, std::vector<uint8_t>* sink)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, sink, PngWrite, PngFlush);
    png_set_compression_level(png, 6);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 withAlpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool ImageEncoder::EncodeJpeg(const Raster& image, int quality, std::vector<uint8_t>* out,
                              std::string* error)
{
    std::vector<uint8_t> rgb = image.ToRgb8();
    JpegErrorTrap trap{};
    unsigned char* memory = nullptr;
    unsigned long size = 0;
    bool ok =
        CompressJpeg(rgb.data(), image.Width(), image.Height(), quality, &trap, &memory, &size);
    if (ok) out->assign(memory, memory + size);
    std::free(memory);
    if (!ok && error) *error = std::string("JPEG encoder: ") + trap.message;
    return ok;
}

bool ImageEncoder::EncodePng(const Raster& image, bool withAlpha, std::vector<uint8_t>* out,
                             std::string* error)
{
    std::vector<uint8_t> samples = withAlpha ? image.ToRgba8() : image.ToRgb8();
    size_t stride = static_cast<size_t>(image.Width()) * (withAlpha ? 4 : 3);
    std::vector<png_bytep> rows(static_cast<size_t>(image.Height()));
    for (size_t y = 0; y < rows.size(); ++y) rows[y] = samples.data() + y * stride;
    out->clear();
    if (!CompressPng(rows.data(), image.Width(), image.Height(), withAlpha, out)) {
        if (error) *error = "PNG encoder failed";
        return false;
    }
    return true;
}

}  // namespace datagen
}  // namespace sunvale
