// The dialog's picture, rendered into an image surface and checked where its
// parts must be: letterbox bars, a dark sky over a bright warm sun, a title.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "app/ConfigDialogPicture.h"

namespace sunvale {
namespace {

struct Rgb {
    int r, g, b;
};

class ConfigDialogPictureTest : public testing::Test {
protected:
    void SetUp() override { surface = ConfigDialogPicture::CreateSurface(); }
    void TearDown() override { cairo_surface_destroy(surface); }

    Rgb At(int x, int y) const
    {
        const unsigned char* row =
            cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
        uint32_t pixel;
        std::memcpy(&pixel, row + 4 * x, 4);
        return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
                static_cast<int>(pixel & 0xFF)};
    }
    static int Brightness(Rgb c) { return c.r + c.g + c.b; }

    cairo_surface_t* surface = nullptr;
};

TEST_F(ConfigDialogPictureTest, IsAnOpaque250x100Image)
{
    ASSERT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(surface), 250);
    EXPECT_EQ(cairo_image_surface_get_height(surface), 100);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 250; ++x)
            ASSERT_EQ(data[y * stride + 4 * x + 3], 0xFF) << x << "," << y;
}

TEST_F(ConfigDialogPictureTest, LetterboxBarsAreBlack)
{
    for (int x = 0; x < 250; x += 7) {
        EXPECT_EQ(Brightness(At(x, 0)), 0);
        EXPECT_EQ(Brightness(At(x, 99)), 0);
    }
}

TEST_F(ConfigDialogPictureTest, SunIsBrightAndWarmUnderADarkSky)
{
    Rgb sun = At(182, 50);
    Rgb sky = At(240, 10);
    EXPECT_GT(sun.r, 230);
    EXPECT_GT(sun.r, sun.b + 80);
    EXPECT_LT(Brightness(sky), 90);
    EXPECT_GT(Brightness(sun), 3 * Brightness(sky));
}

TEST_F(ConfigDialogPictureTest, TitleStandsOutOfTheSkyAtTheLeft)
{
    // The sky behind the title is dark; the letters are gold.
    int bright = 0;
    for (int y = 20; y < 44; ++y)
        for (int x = 10; x < 150; ++x) {
            Rgb c = At(x, y);
            if (c.r > 200 && c.g > 120 && c.r > c.b) ++bright;
        }
    EXPECT_GT(bright, 300);
}

}  // namespace
}  // namespace sunvale
