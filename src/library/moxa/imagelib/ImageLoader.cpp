// Image decoding from memory: format detection, JPEG through libjpeg with a
// memory source of our own, PNG through libpng with a memory read callback,
// and a reader for uncompressed true-colour TGA. Every decoder is bounded by
// the size of the data it is given.
#include "library/moxa/imagelib/ImageLoader.h"

// jpeglib.h uses FILE and size_t without declaring them itself.
#include <cstdio>
// Decoders.
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "app/LoadProfile.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"

namespace sunvale {

namespace {

// The archive's password: the show's archive has none.
constexpr char kPassword[] = "";

// Files shorter than this are never taken for an image.
constexpr uint32_t kMinImageFileSize = 64;

// Largest pixel array a decoder allocates (1 GiB, a 16384 x 16384 RGBA
// texture); a header that claims more is refused before any allocation.
constexpr uint64_t kMaxImageBytes = uint64_t(1) << 30;

// Pixel array of bytesPerRow * height bytes, or null when that is too big
// or memory runs out.
unsigned char* AllocatePixels(uint64_t bytesPerRow, uint64_t height)
{
    if (bytesPerRow == 0 || height == 0) return nullptr;
    if (bytesPerRow > kMaxImageBytes / height) return nullptr;
    return new (std::nothrow) unsigned char[bytesPerRow * height]();
}

// Wraps a finished pixel array in a record; frees the array when the record
// cannot be made.
ImageData* MakeImage(uint32_t width, uint32_t height, uint32_t bitsPerPixel, unsigned char* pixels)
{
    ImageData* image = new (std::nothrow) ImageData(width, height, bitsPerPixel, pixels);
    if (!image) delete[] pixels;
    return image;
}

// ---- JPEG ------------------------------------------------------------------

// Error manager whose fatal-error exit jumps back into DecodeJpeg instead of
// returning into the library (which would go on with broken state) or ending
// the process (the library's default).
// Warnings are not printed, except that a scan cut short ends the decode.
struct JpegErrorManager {
    jpeg_error_mgr pub;  // first: the library sees only this part
    jmp_buf jump;
};

[[noreturn]] void ExitOnJpegError(j_common_ptr cinfo)
{
    JpegErrorManager* error = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    longjmp(error->jump, 1);
}

void NoteJpegWarning(j_common_ptr cinfo, int level)
{
    if (level >= 0) return;  // trace messages
    JpegErrorManager* error = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    error->pub.num_warnings++;
    // A scan that needs bits past a marker or the end of the data is cut
    // short and the picture is refused. Left to itself the library would fill
    // the rest with grey, and a few hundred bytes that claim a picture of
    // hundreds of megapixels would keep it busy for many seconds: jump out
    // now, as the error exit does.
    if (error->pub.msg_code == JWRN_HIT_MARKER) longjmp(error->jump, 1);
}

// Source manager over the decoder's own copy of the compressed data. Record
// and copy come from the decompressor's permanent pool and go with it.
struct JpegMemorySource {
    jpeg_source_mgr pub;  // first: the library sees only this part
    JOCTET* copy;
    bool endInserted;  // the data ran out and an end marker was made up
};

void InitJpegSource(j_decompress_ptr) {}

// All data is in the buffer from the start, so there is never more. Instead
// of suspending, the library gets an end marker (FF D9), as if the file
// ended there: a scan that needed more data then warns (and is refused), and a
// file that only lacks its own end marker still finishes.
boolean FillJpegInputBuffer(j_decompress_ptr cinfo)
{
    static const JOCTET kEndMarker[2] = {0xFF, JPEG_EOI};
    JpegMemorySource* src = reinterpret_cast<JpegMemorySource*>(cinfo->src);
    src->endInserted = true;
    src->pub.next_input_byte = kEndMarker;
    src->pub.bytes_in_buffer = sizeof kEndMarker;
    return TRUE;
}

// With the data run out before the end marker: whether the picture is
// nevertheless whole. A single scan is whole (one that ran short never gets
// here); a progressive picture also needs every coefficient refined to bit 0
// (a file cut between two scans leaves some coarser). Other multi-scan
// files are not checked and count as cut.
bool JpegScansComplete(j_decompress_ptr cinfo)
{
    if (!jpeg_has_multiple_scans(cinfo)) return true;
    if (!cinfo->progressive_mode || !cinfo->coef_bits) return false;
    for (int c = 0; c < cinfo->num_components; ++c)
        for (int k = 0; k < DCTSIZE2; ++k)
            if (cinfo->coef_bits[c][k] != 0) return false;
    return true;
}

// Skips numBytes of input, never past the end of the copy.
void SkipJpegInputData(j_decompress_ptr cinfo, long numBytes)
{
    if (numBytes <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    size_t count = static_cast<size_t>(numBytes);
    if (count > src->bytes_in_buffer) count = src->bytes_in_buffer;
    src->next_input_byte += count;
    src->bytes_in_buffer -= count;
}

void TermJpegSource(j_decompress_ptr) {}

// Installs the memory source over a pool copy of the size bytes at data.
void SetJpegMemorySource(j_decompress_ptr cinfo, const unsigned char* data, uint32_t size)
{
    JpegMemorySource* src = static_cast<JpegMemorySource*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegMemorySource)));
    src->copy = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_large)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, size));
    std::memcpy(src->copy, data, size);
    src->pub.init_source = InitJpegSource;
    src->pub.fill_input_buffer = FillJpegInputBuffer;
    src->pub.skip_input_data = SkipJpegInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermJpegSource;
    src->pub.next_input_byte = src->copy;
    src->pub.bytes_in_buffer = size;
    src->endInserted = false;
    cinfo->src = &src->pub;
}

// ---- PNG -------------------------------------------------------------------

// Memory reader state: the data and the offset of the next byte to read.
struct PngMemoryReader {
    const unsigned char* data;
    uint32_t size;
    uint32_t offset;
};

// Copies length bytes at the offset and advances it. A request past the end
// means a truncated file or a chunk length that lies: a read error.
void ReadPngData(png_structp png, png_bytep out, png_size_t length)
{
    PngMemoryReader* reader = static_cast<PngMemoryReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->offset) png_error(png, "read past the end of the data");
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += static_cast<uint32_t>(length);
}

// Samples per pixel after the transformations DecodePng requests: palette
// images keep one index, grey is expanded to RGB, alpha adds a channel.
uint32_t PngChannels(int colorType)
{
    if ((colorType & 3) == 3) return 1;
    return (colorType & PNG_COLOR_MASK_ALPHA) ? 4 : 3;
}

// ---- TGA -------------------------------------------------------------------

// TGA header: 18 bytes, image data after the ID field.
constexpr uint32_t kTgaHeaderSize = 18;

uint32_t ReadLe16(const unsigned char* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

}  // namespace

ImageData* ImageLoader::LoadImage(const char* fileName, const char* archiveName)
{
    unsigned char* data = nullptr;
    uint32_t size = 0;
    int extracted = 0;
    {
        LoadTimer timer(LoadStage::Archive);
        extracted = RarExtract(&data, &size, fileName, archiveName, kPassword);
    }
    if (!extracted) {
        std::free(data);
        return nullptr;
    }

    LoadTimer timer(LoadStage::ImageDecode);
    ImageData* image = nullptr;
    switch (DetectFormat(data, size)) {
    case kFormatJpeg:
        image = DecodeJpeg(data, size);
        break;
    case kFormatPng:
        image = DecodePng(data, size);
        break;
    case kFormatTga:
        image = DecodeTga(data, size);
        break;
    default:
        break;
    }
    std::free(data);
    return image;
}

int ImageLoader::DetectFormat(const unsigned char* data, uint32_t size)
{
    if (!data || size < kMinImageFileSize) return kFormatUnknown;

    // JPEG: SOI followed by the JFIF APP0 segment; other first markers (Exif
    // APP1, a bare DQT) are not taken.
    if (data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF && data[3] == 0xE0 &&
        std::memcmp(data + 6, "JFIF", 4) == 0)
        return kFormatJpeg;

    // TGA: no ID field, no colour map, image type 2 (uncompressed true
    // colour), colour-map fields all zero.
    if (data[0] == 0x00 && data[1] == 0x00 && data[2] == 0x02 && data[3] == 0x00 &&
        data[4] == 0x00 && data[5] == 0x00 && data[6] == 0x00 && data[7] == 0x00)
        return kFormatTga;

    if (data[0] == 0x89 && data[1] == 0x50 && data[2] == 0x4E && data[3] == 0x47) return kFormatPng;

    return kFormatUnknown;
}

// Holds no destructible locals: the error exit longjmps back here.
ImageData* ImageLoader::DecodeJpeg(const unsigned char* data, uint32_t size)
{
    if (!data || size == 0) return nullptr;

    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    std::memset(&cinfo, 0, sizeof cinfo);
    unsigned char* volatile pixels = nullptr;

    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = ExitOnJpegError;
    error.pub.emit_message = NoteJpegWarning;
    if (setjmp(error.jump)) {
        delete[] pixels;
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    SetJpegMemorySource(&cinfo, data, size);

    // The source never suspends; a header cut short ends in the made-up end
    // marker, which the library refuses through the error exit.
    if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    uint32_t bytesPerPixel = 0;
    if (cinfo.num_components == 1)
        bytesPerPixel = 1;
    else if (cinfo.num_components == 3)
        bytesPerPixel = 3;
    else {
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    // Huffman-coded scans spend at least one bit on every block of every
    // component (its DC difference), so data shorter than that cannot hold
    // the picture its header claims: refused before a gigabyte is allocated
    // for it. Arithmetic coding has no such bound (a few bytes can claim a
    // gigabyte of flat grey) and is not taken, as in the classic decoder.
    uint64_t blocks = 0;
    for (int c = 0; c < cinfo.num_components; ++c)
        blocks +=
            uint64_t(cinfo.comp_info[c].width_in_blocks) * cinfo.comp_info[c].height_in_blocks;
    if (cinfo.arith_code || blocks > uint64_t(size) * 8) {
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    const uint32_t width = cinfo.image_width;
    const uint32_t height = cinfo.image_height;
    const uint32_t rowBytes = bytesPerPixel * width;
    pixels = AllocatePixels(rowBytes, height);
    if (!pixels) {
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }

    // The output must match the array sized from the header: the library's
    // default is one grey or three RGB samples at full size.
    if (!jpeg_start_decompress(&cinfo) || cinfo.output_width != width ||
        cinfo.output_height != height || uint32_t(cinfo.output_components) != bytesPerPixel) {
        delete[] pixels;
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                                cinfo.output_width * cinfo.output_components, 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        const uint32_t y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, row, 1) != 1) {
            delete[] pixels;
            jpeg_destroy_decompress(&cinfo);
            return nullptr;
        }
        std::memcpy(pixels + size_t(y) * rowBytes, row[0], rowBytes);
    }
    // Every scanline is in the array. Data that ran out before the end marker
    // loses the picture only when a scan was cut; a missing end marker alone
    // keeps it. Checked before the finish, which releases the scan state.
    const JpegMemorySource* src = reinterpret_cast<const JpegMemorySource*>(cinfo.src);
    if (src->endInserted && !JpegScansComplete(&cinfo)) {
        delete[] pixels;
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    // Reads on to the end marker, made up when the file lacks it.
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return MakeImage(width, height, bytesPerPixel * 8, pixels);
}

// Holds no destructible locals: libpng longjmps back here on any error.
ImageData* ImageLoader::DecodePng(const unsigned char* data, uint32_t size)
{
    if (!data) return nullptr;

    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return nullptr;
    png_infop info = png_create_info_struct(png);
    png_infop endInfo = png_create_info_struct(png);
    PngMemoryReader reader{data, size, 0};
    unsigned char* volatile pixels = nullptr;
    if (!info || !endInfo) {
        png_destroy_read_struct(&png, &info, &endInfo);
        return nullptr;
    }
    if (setjmp(png_jmpbuf(png))) {
        delete[] pixels;
        png_destroy_read_struct(&png, &info, &endInfo);
        return nullptr;
    }

    png_set_read_fn(png, &reader, ReadPngData);
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const int colorType = png_get_color_type(png, info);

    // Everything arrives as 8-bit samples: 16-bit ones are reduced, palette
    // indices of 1, 2 or 4 bits are unpacked to one index per byte (still
    // indices), grey levels are widened to 8 bits and copied to R, G and B.
    if (bitDepth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE && bitDepth < 8) png_set_packing(png);
    if (!(colorType & PNG_COLOR_MASK_COLOR)) {
        if (bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
        png_set_gray_to_rgb(png);
    }
    const uint32_t channels = PngChannels(colorType);
    const int passes = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE
                           ? png_set_interlace_handling(png)
                           : 1;
    png_read_update_info(png, info);

    const uint64_t rowBytes = uint64_t(channels) * width;
    if (png_get_rowbytes(png, info) != rowBytes || png_get_bit_depth(png, info) != 8)
        png_error(png, "unexpected row layout");
    pixels = AllocatePixels(rowBytes, height);
    if (!pixels) png_error(png, "image too large");

    // Each pass of an interlaced image adds its pixels to the rows read by
    // the passes before it.
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            png_bytep row = pixels + y * rowBytes;
            png_read_rows(png, &row, nullptr, 1);
        }
    }
    png_read_end(png, endInfo);
    png_destroy_read_struct(&png, &info, &endInfo);
    return MakeImage(width, height, channels * 8, pixels);
}

ImageData* ImageLoader::DecodeTga(const unsigned char* data, uint32_t size)
{
    if (!data || size < kTgaHeaderSize) return nullptr;

    const uint32_t offset = kTgaHeaderSize + data[0];  // the ID field comes first
    const uint32_t width = ReadLe16(data + 12);
    const uint32_t height = ReadLe16(data + 14);
    const uint32_t bitsPerPixel = data[16];

    // Only 24 and 32-bit pixels map onto an ImageData; the other depths of
    // the format (15/16-bit packed, 8-bit grey) are not read.
    if (bitsPerPixel != 24 && bitsPerPixel != 32) return nullptr;
    if (width == 0 || height == 0) return nullptr;
    const uint32_t bytesPerPixel = bitsPerPixel / 8;
    const uint64_t rowBytes = uint64_t(bytesPerPixel) * width;
    // The pixels must all be in the file.
    if (offset > size || rowBytes * height > size - offset) return nullptr;

    std::unique_ptr<unsigned char[]> pixels(AllocatePixels(rowBytes, height));
    if (!pixels) return nullptr;

    // File rows run bottom up (the descriptor's origin bit is not consulted);
    // samples are B, G, R (, A).
    const unsigned char* source = data + offset;
    for (uint32_t r = 0; r < height; ++r) {
        const unsigned char* in = source + size_t(r) * rowBytes;
        unsigned char* out = pixels.get() + size_t(height - 1 - r) * rowBytes;
        for (uint32_t x = 0; x < width; ++x, in += bytesPerPixel, out += bytesPerPixel) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
            if (bytesPerPixel == 4) out[3] = in[3];
        }
    }
    return MakeImage(width, height, bitsPerPixel, pixels.release());
}

}  // namespace sunvale
