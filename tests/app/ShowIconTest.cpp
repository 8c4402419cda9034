// The application icon as pixels: transparent rounded corners, night sky at
// the top, the sun's light above the horizon, dark hills at the bottom, at
// the theme's smallest and largest sizes.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "app/ShowIcon.h"

namespace sunvale {
namespace {

struct Pixel {
    int r, g, b, a;
};

// cairo's ARGB32 is premultiplied, native-endian 32-bit words.
Pixel At(cairo_surface_t* s, int x, int y)
{
    const unsigned char* row = cairo_image_surface_get_data(s) +
                               static_cast<ptrdiff_t>(y) * cairo_image_surface_get_stride(s);
    const uint32_t v = reinterpret_cast<const uint32_t*>(row)[x];
    return {static_cast<int>((v >> 16) & 0xFF), static_cast<int>((v >> 8) & 0xFF),
            static_cast<int>(v & 0xFF), static_cast<int>(v >> 24)};
}

class ShowIconTest : public testing::TestWithParam<int> {};

TEST_P(ShowIconTest, CornersSkySunAndHills)
{
    const int size = GetParam();
    cairo_surface_t* icon = ShowIcon::CreateSurface(size);
    ASSERT_EQ(cairo_surface_status(icon), CAIRO_STATUS_SUCCESS);
    ASSERT_EQ(cairo_image_surface_get_width(icon), size);

    const auto at = [&](double u, double v) {  // u, v in the 64-unit square
        return At(icon, static_cast<int>(u * size / 64), static_cast<int>(v * size / 64));
    };
    for (const Pixel p : {at(0, 0), at(63.5, 0), at(0, 63.5), at(63.5, 63.5)})
        EXPECT_LT(p.a, 32) << "corner not transparent at size " << size;  // edge smoothing only

    const Pixel sky = at(32, 3);
    EXPECT_EQ(sky.a, 255);
    EXPECT_LT(sky.r + sky.g + sky.b, 120) << "top of the sky should be night-dark";

    const Pixel sun = at(32, 33);
    EXPECT_EQ(sun.a, 255);
    EXPECT_GT(sun.r, 230);
    EXPECT_GT(sun.g, 150) << "sun should be light yellow-orange";
    EXPECT_GT(sun.r, sun.b + 60);

    for (const Pixel hill : {at(8, 58), at(56, 58)}) {
        EXPECT_EQ(hill.a, 255);
        EXPECT_LT(hill.r + hill.g + hill.b, 100) << "hills should be dark";
    }
    cairo_surface_destroy(icon);
}

INSTANTIATE_TEST_SUITE_P(ThemeSizes, ShowIconTest, testing::Values(16, 48, 256));

}  // namespace
}  // namespace sunvale
