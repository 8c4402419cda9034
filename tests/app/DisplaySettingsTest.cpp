#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/DisplaySettings.h"
#include "app/OffscreenContext.h"

namespace sunvale {
namespace {

constexpr uint32_t kBlack = 0x000000FFu;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

class DisplayDrawingTest : public ::testing::Test {
protected:
    bool Open(int width, int height)
    {
        if (context.Create(width, height)) return true;
        if (RunningUnderCi()) ADD_FAILURE() << context.Error();
        return false;
    }
    uint32_t Captured(int x, int y) const
    {
        const size_t at = (static_cast<size_t>(y) * context.Width() + x) * 4;
        return (uint32_t{captured[at]} << 24) | (uint32_t{captured[at + 1]} << 16) |
               (uint32_t{captured[at + 2]} << 8) | captured[at + 3];
    }
    static void Capture(void* self)
    {
        auto* test = static_cast<DisplayDrawingTest*>(self);
        test->captured = test->context.ReadPixels();
        ++test->presents;
    }

    OffscreenContext context;
    DisplaySettings display;
    std::vector<uint8_t> captured;
    int presents = 0;
};

TEST_F(DisplayDrawingTest, ProgressBarTruncatesTheSinglePrecisionFraction)
{
    if (!Open(800, 600)) GTEST_SKIP() << context.Error();
    display.offscreenPresent = &Capture;
    display.offscreenPresentUser = this;
    display.ShowProgress(0.59f);
    ASSERT_EQ(presents, 1);
    // 0.59f * 600 + 100 = 453.99997: the bar's right edge is 453, so the
    // last filled column is 452.
    EXPECT_EQ(Captured(100, 300), kWhite);
    EXPECT_EQ(Captured(452, 300), kWhite);
    EXPECT_EQ(Captured(453, 300), kBlack);
    EXPECT_EQ(Captured(99, 300), kBlack);
    EXPECT_EQ(Captured(300, 289), kBlack);
    EXPECT_EQ(Captured(300, 310), kBlack);
    // The frame: a two-pixel line loop around (95, 285) .. (705, 315).
    EXPECT_TRUE(Captured(400, 284) == kWhite || Captured(400, 285) == kWhite);
    EXPECT_TRUE(Captured(600, 314) == kWhite || Captured(600, 315) == kWhite);
    EXPECT_TRUE(Captured(94, 300) == kWhite || Captured(95, 300) == kWhite);
    EXPECT_EQ(Captured(600, 300), kBlack);
    EXPECT_EQ(Captured(400, 250), kBlack);
    // Presenting clears the frame for the next one; matrix mode is modelview.
    EXPECT_EQ(context.PixelAt(300, 300), kBlack);
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
}

// 0.11f is 0.10999999940395355: 165.99999964 truncates to 165, while a
// float product rounds to 166 first.
TEST_F(DisplayDrawingTest, ProgressBarEndsWhereTheExactProductTruncates)
{
    if (!Open(800, 600)) GTEST_SKIP() << context.Error();
    display.offscreenPresent = &Capture;
    display.offscreenPresentUser = this;
    display.ShowProgress(0.11f);
    ASSERT_EQ(presents, 1);
    EXPECT_EQ(Captured(164, 300), kWhite);
    EXPECT_EQ(Captured(165, 300), kBlack);
}

// floor(f * 600 + 100) in integers, from f's exact binary value m * 2^e
// (0 < f <= 1, so e < 0).
int ExactBarRight(float f)
{
    int e = 0;
    const double m = std::frexp(static_cast<double>(f), &e);  // f = m * 2^e, m in [0.5, 1)
    const int64_t mantissa = static_cast<int64_t>(std::ldexp(m, 24));
    const int shift = 24 - e;  // f = mantissa / 2^shift
    return static_cast<int>((mantissa * 600) >> shift) + 100;
}

// Every fraction the scenes pass: 0.10 to 0.99 in steps of 0.01, and 1.
TEST(DisplaySettings, ProgressBarRightIsTheTruncatedExactProduct)
{
    const std::pair<float, int> known[] = {{0.10f, 160}, {0.11f, 165}, {0.26f, 255}, {0.58f, 447},
                                           {0.59f, 453}, {0.99f, 694}, {1.0f, 700}};
    for (const auto& [f, x] : known) EXPECT_EQ(ProgressBarRight(f), x) << f;
    int lateInFloat = 0;
    for (int percent = 10; percent <= 100; ++percent) {
        // As the compiler reads the literal 0.37f: the float nearest to 0.37.
        const float f =
            std::strtof((std::to_string(percent / 100) + "." + std::to_string(percent % 100 / 10) +
                         std::to_string(percent % 10))
                            .c_str(),
                        nullptr);
        EXPECT_EQ(ProgressBarRight(f), ExactBarRight(f)) << percent;
        lateInFloat += static_cast<int>(f * 600.0f + 100.0f) != ExactBarRight(f);
    }
    EXPECT_GT(lateInFloat, 0);  // the float product really differs for some
}

TEST_F(DisplayDrawingTest, LetterboxCoversTopAndBottomSixth)
{
    if (!Open(800, 600)) GTEST_SKIP() << context.Error();
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    display.DrawLetterbox(2.0f, 800, 600);
    EXPECT_EQ(context.PixelAt(400, 0), kBlack);
    EXPECT_EQ(context.PixelAt(0, 99), kBlack);
    EXPECT_EQ(context.PixelAt(799, 100), kWhite);
    EXPECT_EQ(context.PixelAt(400, 499), kWhite);
    EXPECT_EQ(context.PixelAt(400, 500), kBlack);
    EXPECT_EQ(context.PixelAt(799, 599), kBlack);
    // State left behind: no blending, no texturing, depth test on, black.
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat colour[4] = {1, 1, 1, 1};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 0.0f);
    EXPECT_EQ(colour[2], 0.0f);
}

TEST_F(DisplayDrawingTest, LetterboxScalesWithTheViewport)
{
    if (!Open(640, 480)) GTEST_SKIP() << context.Error();
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // The bars are drawn in an 800 x 600 space whatever the real size.
    display.DrawLetterbox(2.0f, 800, 600);
    EXPECT_EQ(context.PixelAt(320, 79), kBlack);
    EXPECT_EQ(context.PixelAt(320, 80), kWhite);
    EXPECT_EQ(context.PixelAt(320, 399), kWhite);
    EXPECT_EQ(context.PixelAt(320, 400), kBlack);
}

TEST_F(DisplayDrawingTest, ViewportHeightZeroBecomesOne)
{
    if (!Open(32, 32)) GTEST_SKIP() << context.Error();
    display.SetViewport(100, 0);
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 100);
    EXPECT_EQ(viewport[3], 1);
}

TEST(DisplaySettings, CloseOnANeverOpenedDisplayDoesNothing)
{
    DisplaySettings display;
    display.Close();
    EXPECT_EQ(display.renderingContext, nullptr);
    EXPECT_EQ(display.deviceContext, nullptr);
    EXPECT_EQ(display.AspectRatio(), 1.0f);
    display.mode.pelsWidth = 800;
    display.mode.pelsHeight = 600;
    EXPECT_FLOAT_EQ(display.AspectRatio(), 800.0f / 600.0f);
}

}  // namespace
}  // namespace sunvale
