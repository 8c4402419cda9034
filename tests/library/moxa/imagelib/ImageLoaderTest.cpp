// Decoders from memory and LoadImage from a real archive: format detection,
// JPEG, PNG and TGA, one crafted broken file per rejection, and sweeps of
// every truncation and of random corruptions. Built with AddressSanitizer
// and UBSan (leak checks included), so a read outside an input, or a leak
// on a failure path, fails the run.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <tuple>

#include "ImageTestFiles.h"
#include "library/moxa/imagelib/ImageLoader.h"

namespace sunvale {
namespace {

using test::Bytes;
using test::GradientPixels;
using Image = std::unique_ptr<ImageData>;
using Decoder = ImageData* (*)(const unsigned char*, uint32_t);
constexpr Decoder kJpeg = ImageLoader::DecodeJpeg, kPng = ImageLoader::DecodePng,
                  kTga = ImageLoader::DecodeTga;

// Every input is a vector of exactly its size, so that a read past it is
// caught.
Image Decode(Decoder decode, const Bytes& file)
{
    return Image(decode(file.data(), uint32_t(file.size())));
}

Bytes With(Bytes file, size_t at, uint8_t value)
{
    file.at(at) = value;
    return file;
}

Bytes PixelsOf(const ImageData& image)
{
    return Bytes(image.pixels,
                 image.pixels + size_t(image.width) * image.height * image.bitsPerPixel / 8);
}

// Checks width, depth and samples (the height follows from their number).
void ExpectImage(Image image, uint32_t width, uint32_t bitsPerPixel, const Bytes& expected,
                 const std::string& what = "")
{
    ASSERT_NE(image, nullptr) << what;
    EXPECT_EQ(image->width, width) << what;
    EXPECT_EQ(image->bitsPerPixel, bitsPerPixel) << what;
    EXPECT_EQ(PixelsOf(*image), expected) << what;
}

int Detect(const Bytes& file)
{
    return ImageLoader::DetectFormat(file.data(), uint32_t(file.size()));
}

// The three formats are recognised on the way through LoadImage (below).
TEST(ImageLoaderDetect, ShortFilesAndJpegsWithoutJfifFirstAreUnknown)
{
    const Bytes jpeg = test::EncodeJpeg(GradientPixels(16, 16, 3), 16, 16, 3);
    const Bytes tga = test::EncodeTga(GradientPixels(8, 8, 3), 8, 8, 24);
    EXPECT_EQ(Detect(Bytes(jpeg.begin(), jpeg.begin() + 64)), ImageLoader::kFormatJpeg);
    EXPECT_EQ(Detect(Bytes(jpeg.begin(), jpeg.begin() + 63)), ImageLoader::kFormatUnknown);
    // Quantisation tables right after SOI, an Exif APP1, an APP0 that is not
    // JFIF; a TGA with an ID field, a colour map, run-length coding or a
    // colour-map length.
    const Bytes bare = test::EncodeJpeg(GradientPixels(16, 16, 3), 16, 16, 3, false, false);
    EXPECT_EQ(Detect(bare), ImageLoader::kFormatUnknown);
    for (auto [file, at, value] : {std::tuple{&jpeg, 3, 0xE1},
                                   {&jpeg, 9, 'X'},
                                   {&tga, 0, 1},
                                   {&tga, 1, 1},
                                   {&tga, 2, 10},
                                   {&tga, 5, 1}})
        EXPECT_EQ(Detect(With(*file, size_t(at), uint8_t(value))), ImageLoader::kFormatUnknown)
            << at;
}

// Odd sizes catch row-stride mistakes. Compression moves samples by a few
// levels (about one on average); swapped channels or a row out of place
// would move them by far more.
TEST(ImageLoaderJpeg, BaselineAndProgressiveGreyAndColourDecode)
{
    for (auto [components, progressive] : {std::pair{1, false}, {1, true}, {3, false}, {3, true}}) {
        const Bytes source = GradientPixels(37, 19, uint32_t(components));
        const Image image =
            Decode(kJpeg, test::EncodeJpeg(source, 37, 19, components, progressive));
        ASSERT_TRUE(image && image->width == 37 && image->bitsPerPixel == uint32_t(components) * 8)
            << components;
        int worst = 0, total = 0;
        for (size_t i = 0; i < source.size(); ++i) {
            worst = std::max(worst, std::abs(image->pixels[i] - source[i]));
            total += std::abs(image->pixels[i] - source[i]);
        }
        EXPECT_LE(worst, 24) << components << progressive;
        EXPECT_LE(total, 2 * int(source.size())) << components << progressive;
    }
}

TEST(ImageLoaderPng, RgbRgbaAndPaletteIndicesKeptInterlacedOrNot)
{
    for (auto [colorType, channels] : {std::pair{PNG_COLOR_TYPE_RGB, 3u},
                                       {PNG_COLOR_TYPE_RGBA, 4u},
                                       {PNG_COLOR_TYPE_PALETTE, 1u}}) {
        const Bytes pixels = GradientPixels(19, 11, channels);
        for (bool interlaced : {false, true})
            ExpectImage(Decode(kPng, test::EncodePng(19, 11, colorType, 8, interlaced, pixels)), 19,
                        channels * 8, pixels,
                        std::to_string(colorType) + (interlaced ? " interlaced" : ""));
    }
}

// 16-bit samples keep their high byte; grey levels are copied to R, G and B.
TEST(ImageLoaderPng, SixteenBitAndGreyBecomeEightBitRgb)
{
    Bytes wide, high, rgb;
    for (uint32_t i = 0; i < 5 * 3 * 4; ++i) {
        wide.insert(wide.end(), {uint8_t(i * 7), uint8_t(200 - i * 3)});
        high.push_back(uint8_t(i * 7));
    }
    ExpectImage(Decode(kPng, test::EncodePng(5, 3, PNG_COLOR_TYPE_RGBA, 16, false, wide)), 5, 32,
                high);
    const Bytes grey = GradientPixels(9, 4, 1);
    for (uint8_t level : grey) rgb.insert(rgb.end(), 3, level);
    ExpectImage(Decode(kPng, test::EncodePng(9, 4, PNG_COLOR_TYPE_GRAY, 8, false, grey)), 9, 24,
                rgb);
}

TEST(ImageLoaderTga, BottomUpRowsComeOutTopRowFirstInRgbaOrder)
{
    // 2 x 2 at 24 bits: the file stores the bottom row first, B, G, R.
    const Bytes file{0, 0,  2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2,  0,  2,
                     0, 24, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ExpectImage(Decode(kTga, file), 2, 24, Bytes{9, 8, 7, 12, 11, 10, 3, 2, 1, 6, 5, 4});
    const Bytes pixels = GradientPixels(7, 5, 4);  // 32 bits after a 3-byte ID field
    ExpectImage(Decode(kTga, test::EncodeTga(pixels, 7, 5, 32, 3)), 7, 32, pixels);
}

// All scan data read, the end marker (FF D9) missing or cut in half: the
// picture is complete, only the finish finds no end.
TEST(ImageLoaderJpeg, MissingEndMarkerKeepsThePicture)
{
    const Bytes colour = GradientPixels(20, 12, 3);
    for (bool progressive : {false, true}) {
        const Bytes file = test::EncodeJpeg(colour, 20, 12, 3, progressive);
        ASSERT_EQ(file[file.size() - 2], 0xFF);
        ASSERT_EQ(file[file.size() - 1], 0xD9);
        const Image full = Decode(kJpeg, file);
        ASSERT_NE(full, nullptr);
        for (size_t cut : {1, 2}) {
            ExpectImage(Decode(kJpeg, Bytes(file.begin(), file.end() - long(cut))), 20, 24,
                        PixelsOf(*full),
                        std::string(progressive ? "progressive" : "baseline") + " less " +
                            std::to_string(cut));
        }
    }
}

TEST(ImageLoader, BrokenFilesGiveNull)
{
    const Bytes png =
        test::EncodePng(16, 16, PNG_COLOR_TYPE_RGB, 8, false, GradientPixels(16, 16, 3));
    const Bytes tga = test::EncodeTga(GradientPixels(6, 4, 3), 6, 4, 24);
    const std::pair<Decoder, Bytes> broken[] = {
        {kJpeg, test::EncodeJpeg(GradientPixels(16, 16, 4), 16, 16, 4)},  // CMYK
        {kJpeg, Bytes{0xFF, 0xD8, 0xFF, 0xD9}},                           // SOI, EOI: no frame
        {kPng, With(png, 5, 0)},                                          // signature
        {kPng, With(png, 29, png[29] ^ 1)},                               // IHDR's CRC
        {kPng, With(png, 34, 0x10)},  // IDAT length past the end
        {kTga, With(tga, 16, 16)},    // 16 bits per pixel
        {kTga, With(tga, 15, 0x80)},  // 32772 rows claimed, 4 there
        {kTga, With(tga, 0, 255)},    // an ID field over the pixels
    };
    for (const auto& [decode, file] : broken)
        EXPECT_EQ(Decode(decode, file), nullptr) << file.size();
}

// A few hundred bytes whose frame header claims 19014 x 18758 pixels: the
// scan runs out in its first row and the picture is refused there, without
// decoding the other third of a gigabyte as grey.
TEST(ImageLoaderJpeg, HugeClaimedSizeWithoutTheDataIsRefused)
{
    for (bool progressive : {false, true}) {
        const Bytes file = test::WithJpegFrameSize(
            test::EncodeJpeg(GradientPixels(16, 16, 3), 16, 16, 3, progressive), 19014, 18758);
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(Decode(kJpeg, file), nullptr) << progressive;
    }
}

// Arithmetic coding is not taken: nothing bounds the data such a picture
// needs, so a few bytes could claim a gigabyte of flat grey.
TEST(ImageLoaderJpeg, ArithmeticCodingIsRefused)
{
    for (bool progressive : {false, true}) {
        const Bytes file =
            test::EncodeJpeg(GradientPixels(16, 16, 3), 16, 16, 3, progressive, true, true);
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(Decode(kJpeg, file), nullptr) << progressive;
        EXPECT_EQ(Decode(kJpeg, test::WithJpegFrameSize(file, 11848, 29866)), nullptr);
    }
}

TEST(ImageLoaderSweep, TruncationsAreRefusedAndCorruptionsStayInBounds)
{
    const Bytes colour = GradientPixels(20, 12, 3);
    const std::tuple<const char*, Bytes, Decoder> files[] = {
        {"baseline.jpg", test::EncodeJpeg(colour, 20, 12, 3), kJpeg},
        {"progressive.jpg", test::EncodeJpeg(colour, 20, 12, 3, true), kJpeg},
        {"rgba.png",
         test::EncodePng(10, 6, PNG_COLOR_TYPE_RGBA, 8, false, GradientPixels(10, 6, 4)), kPng},
        {"interlaced.png",
         test::EncodePng(10, 6, PNG_COLOR_TYPE_RGB, 8, true, GradientPixels(10, 6, 3)), kPng},
        {"palette.png",
         test::EncodePng(10, 6, PNG_COLOR_TYPE_PALETTE, 8, false, GradientPixels(10, 6, 1)), kPng},
        {"rgb.tga", test::EncodeTga(GradientPixels(7, 5, 3), 7, 5, 24), kTga},
        {"rgba.tga", test::EncodeTga(GradientPixels(7, 5, 4), 7, 5, 32, 4), kTga},
    };
    uint32_t state = 12345;
    auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 8; };
    for (const auto& [name, file, decode] : files) {
        ASSERT_NE(Decode(decode, file), nullptr) << name;
        // A JPEG keeps its picture without (part of) its end marker.
        const size_t refusedBelow = decode == kJpeg ? file.size() - 2 : file.size();
        for (size_t cut = 0; cut < refusedBelow; ++cut)
            EXPECT_EQ(Decode(decode, Bytes(file.begin(), file.begin() + long(cut))), nullptr)
                << name << " cut " << cut;
        // A corrupted copy may decode or not; what comes back is complete.
        for (int trial = 0; trial < 1000; ++trial) {
            Bytes corrupt = file;
            for (uint32_t flips = 1 + next() % 4; flips > 0; --flips)
                corrupt[next() % file.size()] = uint8_t(next());
            const Image image = Decode(decode, corrupt);
            const Bytes pixels = image ? PixelsOf(*image) : Bytes();  // every byte readable
            EXPECT_TRUE(!image || image->bitsPerPixel == 8 || image->bitsPerPixel == 24 ||
                        image->bitsPerPixel == 32)
                << name << " " << pixels.size();
        }
    }
}

TEST(ImageLoaderArchive, LoadImageDecodesEachFormatFromTheArchive)
{
    const std::string& archive = test::TestArchive();
    ASSERT_FALSE(archive.empty());
    ImageLoader loader;
    const Image direct = Decode(kJpeg, test::EncodeJpeg(GradientPixels(16, 16, 3), 16, 16, 3));
    ExpectImage(Image(loader.LoadImage("data/texture/noize.jpg", archive.c_str())), 16, 24,
                PixelsOf(*direct));
    ExpectImage(Image(loader.LoadImage("data/texture/light.png", archive.c_str())), 8, 32,
                GradientPixels(8, 4, 4));
    ExpectImage(Image(loader.LoadImage("data/texture/flare.tga", archive.c_str())), 8, 24,
                GradientPixels(8, 8, 3));
    EXPECT_EQ(Image(loader.LoadImage("data/texture/absent.jpg", archive.c_str())), nullptr);
    EXPECT_EQ(Image(loader.LoadImage("data/readme.txt", archive.c_str())), nullptr);
    EXPECT_EQ(Image(loader.LoadImage("data/texture/noize.jpg", (archive + ".none").c_str())),
              nullptr);
}

}  // namespace
}  // namespace sunvale
