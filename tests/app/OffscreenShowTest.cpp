#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
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

bool InsideAnEntry(float t)
{
    for (const ScheduleRow& row : kShowSchedule)
        if (row.start < t && t < row.end) return true;
    return false;
}

// The finale fades to black by design: with the music running with the
// clock, its closing picture fades out from 266 s (15647 ticks) and is black
// 200 ticks later, where the show ends on it; its last frames before that are
// too dark to show at this size.
constexpr float kClosingDark = 15830.0f;   // from here a black picture is allowed
constexpr float kClosingBlack = 15847.1f;  // from here it is required

// The whole show, frame by frame at a fixed step, with the scenes this build
// has: each scene draws exactly inside its entries, every other frame is
// black, the letterbox bars are black throughout, and no frame leaves a GL
// error.
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
    ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    int litFrames = 0, checkedInside = 0;
    for (int64_t k = 0;; ++k) {
        const float t = OffscreenShow::FrameTicks(k, 20.0);
        if (t >= kShowEndTicks) break;
        show.DrawFrame(t, t * 0.017f);
        bool hasScene = false;
        for (int i = 0; i < show.timeline.Count(); ++i)
            if (show.timeline.SceneAt(i) && show.timeline.StartAt(i) < t &&
                t < show.timeline.EndAt(i))
                hasScene = true;
        const std::vector<uint8_t> pixels = show.ReadPixels();
        // Bars: the top and bottom sixth.
        ASSERT_FALSE(AnyLit(pixels, 0, kHeight / 6 - 1)) << "top bar lit at t=" << t;
        ASSERT_FALSE(AnyLit(pixels, kHeight - kHeight / 6, kHeight - 1))
            << "bottom bar lit at t=" << t;
        const bool lit = AnyLit(pixels, kHeight / 6, kHeight - kHeight / 6 - 1);
        if (hasScene) {
            ASSERT_TRUE(InsideAnEntry(t));
            if (t >= kClosingBlack) {
                ASSERT_FALSE(lit) << "the closing picture is not black at t=" << t;
            } else if (t < kClosingDark) {
                ++checkedInside;
                if (lit) ++litFrames;
            }
        } else {
            ASSERT_FALSE(lit) << "a frame without a scene is not black at t=" << t;
        }
        ASSERT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "at t=" << t;
        show.EndFrame();
    }
    // Every frame of a present scene shows something.
    EXPECT_GT(checkedInside, 0);
    EXPECT_EQ(litFrames, checkedInside);
}

TEST(OffscreenShow, FrameTicksAreMillisecondsOverSeventeen)
{
    EXPECT_EQ(OffscreenShow::FrameTicks(0, 60.0), 0.0f);
    EXPECT_FLOAT_EQ(OffscreenShow::FrameTicks(60, 60.0), 1000.0f / 17.0f);
    EXPECT_FLOAT_EQ(OffscreenShow::FrameTicks(17, 1000.0), 1.0f);
}

}  // namespace
}  // namespace sunvale
