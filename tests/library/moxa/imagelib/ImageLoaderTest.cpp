// Decoders from memory: format detection, JPEG, PNG and TGA, with crafted
// broken files for each rejection. Truncation sweeps run in the sanitizer
// build (ImageDecoderSweepTest.cpp).
#include "library/moxa/imagelib/ImageLoader.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>

#include "ImageTestFiles.h"

namespace sunvale {
namespace {

using test::Bytes;
using Image = std::unique_ptr<ImageData>;

Bytes PixelsOf(const ImageData& image)
{
    return Bytes(image.pixels, image.pixels + size_t(image.width) * image.height * image.bitsPerPixel / 8);
}

size_t FindMarker(const Bytes& file, uint8_t marker)
{
    for (size_t i = 2; i + 1 < file.size(); ++i)
        if (file[i] == 0xFF && file[i + 1] == marker) return i;
    return file.size();
}

int MaxDifference(const Bytes& a, const Bytes& b)
{
    int worst = 0;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
    return worst;
}

// ---- detection --------------------------------------------------------------

TEST(ImageLoaderDetect, RecognisesEachFormatByItsFirstBytes)
{
    const Bytes jpeg = test::EncodeJpeg(test::GradientPixels(8, 8, 3), 8, 8, 3);
    const Bytes png = test::EncodePng({8, 8, PNG_COLOR_TYPE_RGB, 8, false, test::GradientPixels(8, 8, 3), 0});
    const Bytes tga = test::EncodeTga(test::GradientPixels(8, 8, 3), 8, 8, 24);
    EXPECT_EQ(ImageLoader::DetectFormat(jpeg.data(), uint32_t(jpeg.size())), ImageLoader::kFormatJpeg);
    EXPECT_EQ(ImageLoader::DetectFormat(png.data(), uint32_t(png.size())), ImageLoader::kFormatPng);
    EXPECT_EQ(ImageLoader::DetectFormat(tga.data(), uint32_t(tga.size())), ImageLoader::kFormatTga);
}

TEST(ImageLoaderDetect, FilesUnder64BytesAreUnknown)
{
    Bytes png = test::EncodePng({8, 8, PNG_COLOR_TYPE_RGB, 8, false, test::GradientPixels(8, 8, 3), 0});
    ASSERT_GE(png.size(), 64u);
    EXPECT_EQ(ImageLoader::DetectFormat(png.data(), 63), ImageLoader::kFormatUnknown);
    EXPECT_EQ(ImageLoader::DetectFormat(png.data(), 64), ImageLoader::kFormatPng);
    EXPECT_EQ(ImageLoader::DetectFormat(nullptr, 100), ImageLoader::kFormatUnknown);
}

TEST(ImageLoaderDetect, JpegWithoutJfifFirstIsUnknown)
{
    test::JpegOptions options;
    options.jfif = false;
    const Bytes bare = test::EncodeJpeg(test::GradientPixels(16, 16, 3), 16, 16, 3, options);
    ASSERT_EQ(bare[3], 0xDB);  // SOI followed directly by the quantisation tables
    EXPECT_EQ(ImageLoader::DetectFormat(bare.data(), uint32_t(bare.size())), ImageLoader::kFormatUnknown);

    // An Exif file starts with APP1.
    Bytes exif = test::EncodeJpeg(test::GradientPixels(16, 16, 3), 16, 16, 3);
    exif[3] = 0xE1;
    EXPECT_EQ(ImageLoader::DetectFormat(exif.data(), uint32_t(exif.size())), ImageLoader::kFormatUnknown);
    // APP0 that is not JFIF.
    Bytes jfxx = test::EncodeJpeg(test::GradientPixels(16, 16, 3), 16, 16, 3);
    jfxx[9] = 'X';
    EXPECT_EQ(ImageLoader::DetectFormat(jfxx.data(), uint32_t(jfxx.size())), ImageLoader::kFormatUnknown);
}

TEST(ImageLoaderDetect, TgaNeedsTypeTwoWithoutIdOrColourMap)
{
    Bytes tga = test::EncodeTga(test::GradientPixels(8, 8, 3), 8, 8, 24);
    tga[0] = 1;  // ID field
    EXPECT_EQ(ImageLoader::DetectFormat(tga.data(), uint32_t(tga.size())), ImageLoader::kFormatUnknown);
    tga[0] = 0;
    tga[1] = 1;  // colour map present
    EXPECT_EQ(ImageLoader::DetectFormat(tga.data(), uint32_t(tga.size())), ImageLoader::kFormatUnknown);
    tga[1] = 0;
    tga[2] = 10;  // run-length encoded
    EXPECT_EQ(ImageLoader::DetectFormat(tga.data(), uint32_t(tga.size())), ImageLoader::kFormatUnknown);
    tga[2] = 2;
    tga[5] = 1;  // colour-map length
    EXPECT_EQ(ImageLoader::DetectFormat(tga.data(), uint32_t(tga.size())), ImageLoader::kFormatUnknown);
}

// ---- JPEG -------------------------------------------------------------------

struct JpegCase {
    const char* name;
    int components;
    bool progressive;
};

class ImageLoaderJpeg : public ::testing::TestWithParam<JpegCase> {};

// Odd sizes catch row-stride mistakes; the reference is libjpeg's own
// memory source, so the pixels must match exactly.
TEST_P(ImageLoaderJpeg, DecodesLikeTheLibraryAndCloseToTheSource)
{
    const JpegCase& c = GetParam();
    const uint32_t width = 37;
    const uint32_t height = 19;
    const Bytes source = test::GradientPixels(width, height, uint32_t(c.components));
    test::JpegOptions options;
    options.progressive = c.progressive;
    options.quality = 100;
    const Bytes file = test::EncodeJpeg(source, width, height, c.components, options);

    Image image(ImageLoader::DecodeJpeg(file.data(), uint32_t(file.size())));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, width);
    EXPECT_EQ(image->height, height);
    EXPECT_EQ(image->bitsPerPixel, uint32_t(c.components) * 8);

    uint32_t refWidth = 0, refHeight = 0;
    int refComponents = 0;
    const Bytes reference = test::ReferenceDecodeJpeg(file, &refWidth, &refHeight, &refComponents);
    ASSERT_EQ(refComponents, c.components);
    EXPECT_EQ(PixelsOf(*image), reference);
    // Chroma subsampling blurs colour edges by a few levels; swapped or
    // shifted channels would be off by far more.
    EXPECT_LE(MaxDifference(PixelsOf(*image), source), 24);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ImageLoaderJpeg,
                         ::testing::Values(JpegCase{"BaselineColour", 3, false}, JpegCase{"ProgressiveColour", 3, true},
                                           JpegCase{"BaselineGrey", 1, false}, JpegCase{"ProgressiveGrey", 1, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ImageLoaderJpegErrors, FourComponentsGiveNoImage)
{
    const Bytes file = test::EncodeJpeg(test::GradientPixels(16, 16, 4), 16, 16, 4);
    EXPECT_EQ(Image(ImageLoader::DecodeJpeg(file.data(), uint32_t(file.size()))), nullptr);
}

TEST(ImageLoaderJpegErrors, CorruptFrameHeaderGivesNull)
{
    const Bytes good = test::EncodeJpeg(test::GradientPixels(16, 16, 3), 16, 16, 3);
    const size_t sof = FindMarker(good, 0xC0);
    ASSERT_LT(sof + 9, good.size());

    Bytes badPrecision = good;
    badPrecision[sof + 4] = 9;  // sample precision other than 8
    EXPECT_EQ(Image(ImageLoader::DecodeJpeg(badPrecision.data(), uint32_t(badPrecision.size()))), nullptr);

    Bytes zeroHeight = good;
    zeroHeight[sof + 5] = 0;
    zeroHeight[sof + 6] = 0;
    EXPECT_EQ(Image(ImageLoader::DecodeJpeg(zeroHeight.data(), uint32_t(zeroHeight.size()))), nullptr);

    Bytes badTable = good;
    badTable[sof + 11] = 0x37;  // first component's quantisation table: 0x37 is out of range
    EXPECT_EQ(Image(ImageLoader::DecodeJpeg(badTable.data(), uint32_t(badTable.size()))), nullptr);

    Bytes noImage = good;
    noImage.resize(2);
    noImage.push_back(0xFF);
    noImage.push_back(0xD9);  // SOI, EOI
    EXPECT_EQ(Image(ImageLoader::DecodeJpeg(noImage.data(), uint32_t(noImage.size()))), nullptr);
}

// ---- PNG --------------------------------------------------------------------

Image DecodePngPicture(const test::PngPicture& picture)
{
    const Bytes file = test::EncodePng(picture);
    EXPECT_FALSE(file.empty());
    return Image(ImageLoader::DecodePng(file.data(), uint32_t(file.size())));
}

TEST(ImageLoaderPng, RgbaAndRgbKeepTheirSamples)
{
    const Bytes rgba = test::GradientPixels(13, 7, 4);
    Image a = DecodePngPicture({13, 7, PNG_COLOR_TYPE_RGBA, 8, false, rgba, 0});
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->bitsPerPixel, 32u);
    EXPECT_EQ(a->width, 13u);
    EXPECT_EQ(a->height, 7u);
    EXPECT_EQ(PixelsOf(*a), rgba);

    const Bytes rgb = test::GradientPixels(13, 7, 3);
    Image b = DecodePngPicture({13, 7, PNG_COLOR_TYPE_RGB, 8, false, rgb, 0});
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->bitsPerPixel, 24u);
    EXPECT_EQ(PixelsOf(*b), rgb);
}

TEST(ImageLoaderPng, PaletteImagesKeepTheirIndices)
{
    Bytes indices(11 * 5);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i * 37 % 200);
    Image image = DecodePngPicture({11, 5, PNG_COLOR_TYPE_PALETTE, 8, false, indices, 200});
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->bitsPerPixel, 8u);
    EXPECT_EQ(PixelsOf(*image), indices);
}

// Indices of 1, 2 and 4 bits come out one per byte.
TEST(ImageLoaderPng, PackedPaletteIndicesAreUnpacked)
{
    const uint32_t width = 11;
    const uint32_t height = 3;
    for (int depth : {1, 2, 4}) {
        const int entries = 1 << depth;
        Bytes indices(width * height);
        for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t((i * 5 + i / 3) % entries);
        const size_t rowBytes = (size_t(depth) * width + 7) / 8;
        Bytes rows(rowBytes * height, 0);
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x) {
                const size_t bit = size_t(x) * depth;
                rows[y * rowBytes + bit / 8] |= uint8_t(indices[y * width + x] << (8 - depth - bit % 8));
            }
        Image image = DecodePngPicture({width, height, PNG_COLOR_TYPE_PALETTE, depth, false, rows, entries});
        ASSERT_NE(image, nullptr) << depth;
        EXPECT_EQ(image->bitsPerPixel, 8u);
        EXPECT_EQ(PixelsOf(*image), indices) << "depth " << depth;
    }
}

TEST(ImageLoaderPng, InterlacedEqualsItsNonInterlacedTwin)
{
    struct Case {
        int colorType;
        uint32_t channels;
    };
    for (Case c : {Case{PNG_COLOR_TYPE_RGB, 3}, Case{PNG_COLOR_TYPE_RGBA, 4}, Case{PNG_COLOR_TYPE_PALETTE, 1}}) {
        const Bytes pixels = test::GradientPixels(19, 11, c.channels);
        const int palette = c.colorType == PNG_COLOR_TYPE_PALETTE ? 256 : 0;
        Image plain = DecodePngPicture({19, 11, c.colorType, 8, false, pixels, palette});
        Image interlaced = DecodePngPicture({19, 11, c.colorType, 8, true, pixels, palette});
        ASSERT_NE(plain, nullptr);
        ASSERT_NE(interlaced, nullptr);
        EXPECT_EQ(PixelsOf(*interlaced), PixelsOf(*plain));
        EXPECT_EQ(PixelsOf(*interlaced), pixels);
    }
}

TEST(ImageLoaderPng, SixteenBitSamplesKeepTheirHighByte)
{
    const uint32_t width = 5;
    const uint32_t height = 3;
    Bytes rows;
    Bytes expected;
    for (uint32_t i = 0; i < width * height * 4; ++i) {
        const uint16_t sample = uint16_t(i * 4099 + 17);
        rows.push_back(uint8_t(sample >> 8));
        rows.push_back(uint8_t(sample));
        expected.push_back(uint8_t(sample >> 8));
    }
    Image image = DecodePngPicture({width, height, PNG_COLOR_TYPE_RGBA, 16, false, rows, 0});
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->bitsPerPixel, 32u);
    EXPECT_EQ(PixelsOf(*image), expected);
}

// Grey levels are copied to R, G and B; low depths are scaled to 0..255.
TEST(ImageLoaderPng, GreyIsExpandedToRgb)
{
    const Bytes grey = test::GradientPixels(9, 4, 1);
    Image image = DecodePngPicture({9, 4, PNG_COLOR_TYPE_GRAY, 8, false, grey, 0});
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->bitsPerPixel, 24u);
    Bytes expected;
    for (uint8_t g : grey) expected.insert(expected.end(), {g, g, g});
    EXPECT_EQ(PixelsOf(*image), expected);

    Bytes greyAlpha;
    Bytes expectedAlpha;
    for (size_t i = 0; i < grey.size(); ++i) {
        greyAlpha.insert(greyAlpha.end(), {grey[i], uint8_t(255 - i)});
        expectedAlpha.insert(expectedAlpha.end(), {grey[i], grey[i], grey[i], uint8_t(255 - i)});
    }
    Image withAlpha = DecodePngPicture({9, 4, PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, greyAlpha, 0});
    ASSERT_NE(withAlpha, nullptr);
    EXPECT_EQ(withAlpha->bitsPerPixel, 32u);
    EXPECT_EQ(PixelsOf(*withAlpha), expectedAlpha);

    // 1-bit grey: 8 pixels in one byte, 0b10110001.
    Image oneBit = DecodePngPicture({8, 1, PNG_COLOR_TYPE_GRAY, 1, false, Bytes{0xB1}, 0});
    ASSERT_NE(oneBit, nullptr);
    ASSERT_EQ(oneBit->bitsPerPixel, 24u);
    const Bytes bits{1, 0, 1, 1, 0, 0, 0, 1};
    for (size_t x = 0; x < 8; ++x) EXPECT_EQ(oneBit->pixels[x * 3 + 1], bits[x] ? 255 : 0) << x;
}

// Sets a chunk's CRC so that a changed chunk still passes that check.
void FixChunkCrc(Bytes& file, size_t chunk)
{
    const uint32_t length = uint32_t(file[chunk]) << 24 | file[chunk + 1] << 16 | file[chunk + 2] << 8 | file[chunk + 3];
    const uint32_t crc = uint32_t(crc32(0, file.data() + chunk + 4, length + 4));
    for (int i = 0; i < 4; ++i) file[chunk + 8 + length + i] = uint8_t(crc >> (24 - 8 * i));
}

TEST(ImageLoaderPngErrors, CorruptFilesGiveNull)
{
    const Bytes good = test::EncodePng({16, 16, PNG_COLOR_TYPE_RGB, 8, false, test::GradientPixels(16, 16, 3), 0});
    const size_t ihdr = 8;
    const size_t idat = 8 + 25;  // after signature and IHDR
    ASSERT_EQ(std::string(good.begin() + idat + 4, good.begin() + idat + 8), "IDAT");

    Bytes badCrc = good;
    badCrc[ihdr + 8] ^= 0x01;  // width changed, CRC not
    EXPECT_EQ(Image(ImageLoader::DecodePng(badCrc.data(), uint32_t(badCrc.size()))), nullptr);

    Bytes badDepth = good;
    badDepth[ihdr + 16] = 5;  // no such bit depth
    FixChunkCrc(badDepth, ihdr);
    EXPECT_EQ(Image(ImageLoader::DecodePng(badDepth.data(), uint32_t(badDepth.size()))), nullptr);

    Bytes zeroWidth = good;
    for (int i = 0; i < 4; ++i) zeroWidth[ihdr + 8 + i] = 0;
    FixChunkCrc(zeroWidth, ihdr);
    EXPECT_EQ(Image(ImageLoader::DecodePng(zeroWidth.data(), uint32_t(zeroWidth.size()))), nullptr);

    Bytes badData = good;
    badData[idat + 8] ^= 0xFF;  // zlib header
    FixChunkCrc(badData, idat);
    EXPECT_EQ(Image(ImageLoader::DecodePng(badData.data(), uint32_t(badData.size()))), nullptr);

    Bytes lyingLength = good;
    lyingLength[idat] = 0x00;
    lyingLength[idat + 1] = 0x10;  // IDAT claims about a megabyte
    EXPECT_EQ(Image(ImageLoader::DecodePng(lyingLength.data(), uint32_t(lyingLength.size()))), nullptr);

    Bytes badSignature = good;
    badSignature[5] = 0;
    EXPECT_EQ(Image(ImageLoader::DecodePng(badSignature.data(), uint32_t(badSignature.size()))), nullptr);
}

// ---- TGA --------------------------------------------------------------------

TEST(ImageLoaderTga, BottomUpRowsComeOutTopRowFirstInRgbOrder)
{
    // Two rows of two pixels; the file stores the bottom row first, B, G, R.
    const Bytes file{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0,
                     // bottom row
                     1, 2, 3, 4, 5, 6,
                     // top row
                     7, 8, 9, 10, 11, 12};
    Image image(ImageLoader::DecodeTga(file.data(), uint32_t(file.size())));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 2u);
    EXPECT_EQ(image->height, 2u);
    EXPECT_EQ(image->bitsPerPixel, 24u);
    EXPECT_EQ(PixelsOf(*image), (Bytes{9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4}));
}

TEST(ImageLoaderTga, ThirtyTwoBitKeepsAlphaAndSkipsTheIdField)
{
    const Bytes pixels = test::GradientPixels(7, 5, 4);
    const Bytes file = test::EncodeTga(pixels, 7, 5, 32, 3);
    Image image(ImageLoader::DecodeTga(file.data(), uint32_t(file.size())));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->bitsPerPixel, 32u);
    EXPECT_EQ(PixelsOf(*image), pixels);
}

TEST(ImageLoaderTgaErrors, OtherDepthsShortFilesAndEmptyImagesGiveNull)
{
    const Bytes good = test::EncodeTga(test::GradientPixels(6, 4, 3), 6, 4, 24);
    for (uint8_t depth : {8, 15, 16, 0, 255}) {
        Bytes file = good;
        file[16] = depth;
        EXPECT_EQ(Image(ImageLoader::DecodeTga(file.data(), uint32_t(file.size()))), nullptr) << int(depth);
    }
    for (size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_EQ(Image(ImageLoader::DecodeTga(good.data(), uint32_t(cut))), nullptr) << "cut " << cut;

    Bytes tall = good;
    tall[15] = 0x80;  // height 32772 with 24 rows of data
    EXPECT_EQ(Image(ImageLoader::DecodeTga(tall.data(), uint32_t(tall.size()))), nullptr);
    Bytes longId = good;
    longId[0] = 255;  // the ID field would swallow the pixels
    EXPECT_EQ(Image(ImageLoader::DecodeTga(longId.data(), uint32_t(longId.size()))), nullptr);
    Bytes empty = good;
    empty[12] = 0;  // width 0
    EXPECT_EQ(Image(ImageLoader::DecodeTga(empty.data(), uint32_t(empty.size()))), nullptr);
}

}  // namespace
}  // namespace sunvale
