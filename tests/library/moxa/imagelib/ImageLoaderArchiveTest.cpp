// LoadImage end to end: images packed into RAR archives by our packer, read
// back through the archive reader and decoded.
#include "library/moxa/imagelib/ImageLoader.h"

#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "ImageTestFiles.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace sunvale {
namespace {

using test::Bytes;
using Image = std::unique_ptr<ImageData>;

Bytes PixelsOf(const ImageData& image)
{
    return Bytes(image.pixels, image.pixels + size_t(image.width) * image.height * image.bitsPerPixel / 8);
}

class ImageLoaderArchive : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
        jpeg_ = test::EncodeJpeg(test::GradientPixels(32, 16, 3), 32, 16, 3);
        rgba_ = test::GradientPixels(16, 8, 4);
        tgaPixels_ = test::GradientPixels(8, 8, 3);
        std::vector<RarPackEntry> entries = {
            {"data/texture/noize.jpg", jpeg_, 0},
            {"data/texture/light.png", test::EncodePng({16, 8, PNG_COLOR_TYPE_RGBA, 8, false, rgba_, 0}), 0},
            {"data/texture/flare.tga", test::EncodeTga(tgaPixels_, 8, 8, 24), 0},
            {"data/readme.txt", Bytes(200, 'x'), 0},
        };
        RarPackOptions options;
        options.level = GetParam() == 0 ? 0 : 3;
        options.solid = GetParam() == 2;
        archive_ = ::testing::TempDir() + "imagelib_" + std::to_string(getpid()) + "_" + std::to_string(GetParam()) +
                   ".rar";
        std::string error;
        ASSERT_TRUE(WriteRarArchive(archive_.c_str(), entries, options, &error)) << error;
    }
    void TearDown() override { std::remove(archive_.c_str()); }

    ImageLoader loader_;
    std::string archive_;
    Bytes jpeg_;
    Bytes rgba_;
    Bytes tgaPixels_;
};

TEST_P(ImageLoaderArchive, DecodesEachFormatFromTheArchive)
{
    Image jpeg(loader_.LoadImage("data/texture/noize.jpg", archive_.c_str()));
    Image direct(ImageLoader::DecodeJpeg(jpeg_.data(), uint32_t(jpeg_.size())));
    ASSERT_NE(jpeg, nullptr);
    ASSERT_NE(direct, nullptr);
    EXPECT_EQ(jpeg->bitsPerPixel, 24u);
    EXPECT_EQ(PixelsOf(*jpeg), PixelsOf(*direct));

    Image png(loader_.LoadImage("data/texture/light.png", archive_.c_str()));
    ASSERT_NE(png, nullptr);
    EXPECT_EQ(png->bitsPerPixel, 32u);
    EXPECT_EQ(PixelsOf(*png), rgba_);

    Image tga(loader_.LoadImage("data/texture/flare.tga", archive_.c_str()));
    ASSERT_NE(tga, nullptr);
    EXPECT_EQ(tga->bitsPerPixel, 24u);
    EXPECT_EQ(PixelsOf(*tga), tgaPixels_);
}

TEST_P(ImageLoaderArchive, MissingEntryArchiveOrFormatGiveNull)
{
    EXPECT_EQ(Image(loader_.LoadImage("data/texture/absent.jpg", archive_.c_str())), nullptr);
    EXPECT_EQ(Image(loader_.LoadImage("data/readme.txt", archive_.c_str())), nullptr);
    const std::string missing = archive_ + ".none";
    EXPECT_EQ(Image(loader_.LoadImage("data/texture/noize.jpg", missing.c_str())), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Methods, ImageLoaderArchive, ::testing::Values(0, 1, 2),
                         [](const auto& info) {
                             return std::string(info.param == 0 ? "Stored" : info.param == 1 ? "Packed" : "Solid");
                         });

}  // namespace
}  // namespace sunvale
