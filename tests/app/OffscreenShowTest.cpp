#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/OffscreenShow.h"
#include "app/Schedule.h"

namespace sunvale {
namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 60;

bool AnyLit(const std::vector<uint8_t>& rgba, int firstRow, int lastRow)
{
    for (int y = firstRow; y <= lastRow; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * kWidth + x) * 4];
            if (p[0] | p[1] | p[2]) return true;
        }
    return false;
}

// The clear colour in 8-bit RGB: what the frame loop's clear leaves in every
// pixel before a scene draws.
std::array<int, 3> ClearRgb()
{
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    return {static_cast<int>(std::lround(clear[0] * 255)),
            static_cast<int>(std::lround(clear[1] * 255)),
            static_cast<int>(std::lround(clear[2] * 255))};
}

// Whether any pixel of rows firstRow..lastRow differs from rgb by more than
// one step in some channel.
bool AnyDiffers(const std::vector<uint8_t>& rgba, int firstRow, int lastRow,
                const std::array<int, 3>& rgb)
{
    for (int y = firstRow; y <= lastRow; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * kWidth + x) * 4];
            for (int c = 0; c < 3; ++c)
                if (std::abs(p[c] - rgb[static_cast<size_t>(c)]) > 1) return true;
        }
    return false;
}

bool InsideAnEntry(float t)
{
    for (const ScheduleRow& row : kShowSchedule)
        if (row.start < t && t < row.end) return true;
    return false;
}

// Frames whose picture area is black by design: the opening's black layer
// fades from opaque at t = 0 to clear at t = 400, so the show's first frames
// are too dark to show; scene B draws only the bars once a playing stream is
// past 105.0 s, up to the end of its entry.
bool BlackByDesign(float t, float musicSeconds)
{
    if (t < 10.0f) return true;
    return t > 2980.0f && t < 6200.0f && musicSeconds > 105.0f;
}

// The finale fades to black by design: with the music running with the
// clock, its closing picture fades out from 266 s (15647 ticks) and is black
// 200 ticks later, where the show ends on it; its last frames before that are
// too dark to show at this size.
constexpr float kClosingDark = 15830.0f;   // from here a black picture is allowed
constexpr float kClosingBlack = 15847.1f;  // from here it is required

// The whole show, frame by frame at a fixed step, with the scenes this build
// has: each scene draws something over the frame loop's clear in every frame
// of its entries, with black letterbox bars; every other frame is only that
// clear, in the clear colour the last drawn effect left (black at first,
// grey after the box field); and no frame leaves a GL error.
TEST(OffscreenShow, WholeScheduleDrawsOnlyInsideEntries)
{
    if (std::FILE* f = std::fopen("data.rar", "rb")) {
        std::fclose(f);
    } else {
        GTEST_SKIP() << "no data.rar in the working directory";
    }
    OffscreenShow show;
    std::string error;
    if (!show.Open(kWidth, kHeight, &error)) {
        if (RunningUnderCi()) FAIL() << error;
        GTEST_SKIP() << error;
    }
    show.Load();
    ASSERT_EQ(show.timeline.Count(), 16);
    // Every row of the schedule has its scene.
    for (int i = 0; i < show.timeline.Count(); ++i)
        ASSERT_NE(show.timeline.SceneAt(i), nullptr) << "entry " << i;
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    int litFrames = 0, checkedInside = 0;
    std::vector<float> unlit;  // times of scene frames that showed nothing
    std::vector<int> framesOfEntry(static_cast<size_t>(show.timeline.Count()));
    for (int64_t k = 0;; ++k) {
        const float t = OffscreenShow::FrameTicks(k, 20.0);
        if (t >= kShowEndTicks) break;
        const std::array<int, 3> clear = ClearRgb();
        show.DrawFrame(t, t * 0.017f);
        bool hasScene = false;
        for (int i = 0; i < show.timeline.Count(); ++i)
            if (show.timeline.SceneAt(i) && show.timeline.StartAt(i) < t &&
                t < show.timeline.EndAt(i)) {
                hasScene = true;
                ++framesOfEntry[static_cast<size_t>(i)];
            }
        const std::vector<uint8_t> pixels = show.ReadPixels();
        if (hasScene) {
            // Bars: the top and bottom sixth.
            ASSERT_FALSE(AnyLit(pixels, 0, kHeight / 6 - 1)) << "top bar lit at t=" << t;
            ASSERT_FALSE(AnyLit(pixels, kHeight - kHeight / 6, kHeight - 1))
                << "bottom bar lit at t=" << t;
            ASSERT_TRUE(InsideAnEntry(t));
            const bool drawn = AnyDiffers(pixels, kHeight / 6, kHeight - kHeight / 6 - 1, clear);
            if (t >= kClosingBlack) {
                ASSERT_FALSE(drawn) << "the closing picture is not black at t=" << t;
            } else if (t < kClosingDark) {
                ++checkedInside;
                if (drawn || BlackByDesign(t, t * 0.017f))
                    ++litFrames;
                else if (unlit.size() < 8)
                    unlit.push_back(t);
            }
        } else {
            ASSERT_FALSE(AnyDiffers(pixels, 0, kHeight - 1, clear))
                << "a frame without a scene shows more than the clear at t=" << t;
        }
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "at t=" << t;
        show.EndFrame();
    }
    // Every frame of a scene shows something, and every entry draws.
    EXPECT_GT(checkedInside, 0);
    EXPECT_EQ(litFrames, checkedInside)
        << "first frames that showed nothing, at t = " << ::testing::PrintToString(unlit);
    for (int i = 0; i < show.timeline.Count(); ++i)
        EXPECT_GT(framesOfEntry[static_cast<size_t>(i)], 0) << "entry " << i;
}

TEST(OffscreenShow, FrameTicksAreMillisecondsOverSeventeen)
{
    EXPECT_EQ(OffscreenShow::FrameTicks(0, 60.0), 0.0f);
    EXPECT_FLOAT_EQ(OffscreenShow::FrameTicks(60, 60.0), 1000.0f / 17.0f);
    EXPECT_FLOAT_EQ(OffscreenShow::FrameTicks(17, 1000.0), 1.0f);
}

// Music position of a perfect clock: ticks times 0.017 in single precision,
// 273.7 s at the show's end.
TEST(OffscreenShow, MusicSecondsAreTicksTimesSeventeenMilliseconds)
{
    EXPECT_EQ(OffscreenShow::MusicSecondsAt(0.0f), 0.0f);
    EXPECT_EQ(OffscreenShow::MusicSecondsAt(16100.0f), 16100.0f * 0.017f);
    EXPECT_NEAR(OffscreenShow::MusicSecondsAt(16100.0f), 273.7f, 1e-4f);
}

// Draft frames keep the aspect ratio at 64 pixels wide, rounded to the
// nearest row and never empty; sizes no wider stay as they are.
TEST(OffscreenShow, DraftSizeKeepsTheAspectRatioAtSixtyFourWide)
{
    const int sizes[][4] = {{1280, 720, 64, 36}, {160, 120, 64, 48}, {800, 600, 64, 48},
                            {1000, 3, 64, 1},    {1000, 10, 64, 1},  {48, 48, 48, 48},
                            {64, 5, 64, 5},      {65, 130, 64, 128}, {2000, 1500, 64, 48}};
    for (const auto& s : sizes) {
        int w = 0, h = 0;
        OffscreenShow::DraftSize(s[0], s[1], &w, &h);
        EXPECT_EQ(w, s[2]) << s[0] << "x" << s[1];
        EXPECT_EQ(h, s[3]) << s[0] << "x" << s[1];
    }
}

}  // namespace
}  // namespace sunvale
