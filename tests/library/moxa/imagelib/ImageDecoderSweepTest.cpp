// Built with AddressSanitizer and UBSan: every truncation of valid JPEG, PNG
// and TGA files and a set of byte-corrupted copies go through the decoders,
// which must refuse the cut files and never read outside any input.
#include <gtest/gtest.h>
#include <png.h>

#include <memory>
#include <string>

#include "ImageTestFiles.h"
#include "library/moxa/imagelib/ImageLoader.h"

namespace sunvale {
namespace {

using test::Bytes;
using Decoder = ImageData* (*)(const unsigned char*, uint32_t);

struct SweepFile {
    std::string name;
    Bytes bytes;
    Decoder decode;
};

std::vector<SweepFile> SweepFiles()
{
    test::JpegOptions progressive;
    progressive.progressive = true;
    return {
        {"baseline.jpg", test::EncodeJpeg(test::GradientPixels(20, 12, 3), 20, 12, 3), ImageLoader::DecodeJpeg},
        {"progressive.jpg", test::EncodeJpeg(test::GradientPixels(20, 12, 3), 20, 12, 3, progressive),
         ImageLoader::DecodeJpeg},
        {"grey.jpg", test::EncodeJpeg(test::GradientPixels(9, 9, 1), 9, 9, 1), ImageLoader::DecodeJpeg},
        {"rgba.png", test::EncodePng({10, 6, PNG_COLOR_TYPE_RGBA, 8, false, test::GradientPixels(10, 6, 4), 0}),
         ImageLoader::DecodePng},
        {"interlaced.png", test::EncodePng({10, 6, PNG_COLOR_TYPE_RGB, 8, true, test::GradientPixels(10, 6, 3), 0}),
         ImageLoader::DecodePng},
        {"palette.png",
         test::EncodePng({10, 6, PNG_COLOR_TYPE_PALETTE, 8, false, test::GradientPixels(10, 6, 1), 256}),
         ImageLoader::DecodePng},
        {"grey.png", test::EncodePng({10, 6, PNG_COLOR_TYPE_GRAY, 8, true, test::GradientPixels(10, 6, 1), 0}),
         ImageLoader::DecodePng},
        {"rgb.tga", test::EncodeTga(test::GradientPixels(7, 5, 3), 7, 5, 24), ImageLoader::DecodeTga},
        {"rgba.tga", test::EncodeTga(test::GradientPixels(7, 5, 4), 7, 5, 32, 4), ImageLoader::DecodeTga},
    };
}

// Each cut is copied into a buffer of exactly its size, so that a read past
// it is caught.
TEST(ImageDecoderSweep, EveryTruncationIsRefused)
{
    for (const SweepFile& file : SweepFiles()) {
        ASSERT_FALSE(file.bytes.empty()) << file.name;
        std::unique_ptr<ImageData> whole(file.decode(file.bytes.data(), uint32_t(file.bytes.size())));
        EXPECT_NE(whole, nullptr) << file.name;
        for (size_t cut = 0; cut < file.bytes.size(); ++cut) {
            std::unique_ptr<unsigned char[]> copy(new unsigned char[cut ? cut : 1]);
            std::copy(file.bytes.begin(), file.bytes.begin() + cut, copy.get());
            std::unique_ptr<ImageData> image(file.decode(copy.get(), uint32_t(cut)));
            EXPECT_EQ(image, nullptr) << file.name << " cut at " << cut;
        }
    }
}

// Corrupted bytes may decode to something or to nothing; either way the
// decoder stays inside its input and what it returns is complete.
TEST(ImageDecoderSweep, CorruptedBytesStayInBounds)
{
    uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    };
    for (const SweepFile& file : SweepFiles()) {
        for (int trial = 0; trial < 1000; ++trial) {
            Bytes bytes = file.bytes;
            const int flips = 1 + int(next() % 4);
            for (int i = 0; i < flips; ++i) bytes[next() % bytes.size()] = uint8_t(next());
            std::unique_ptr<unsigned char[]> copy(new unsigned char[bytes.size()]);
            std::copy(bytes.begin(), bytes.end(), copy.get());
            std::unique_ptr<ImageData> image(file.decode(copy.get(), uint32_t(bytes.size())));
            if (!image) continue;
            const size_t size = size_t(image->width) * image->height * image->bitsPerPixel / 8;
            unsigned sum = 0;
            for (size_t i = 0; i < size; ++i) sum += image->pixels[i];  // every byte readable
            EXPECT_TRUE(image->bitsPerPixel == 8 || image->bitsPerPixel == 24 || image->bitsPerPixel == 32)
                << file.name << " " << sum;
        }
    }
}

}  // namespace
}  // namespace sunvale
