// The whole show drawn offscreen at a small size and closed again, in a
// build with LeakSanitizer (build-asan, scripts/sanitize.sh): afterwards no
// block allocated on the way may be unreachable. The OpenGL driver's own
// blocks are suppressed by the sanitizer run's suppression file; ours never
// are. Without LeakSanitizer there is nothing to check and the test skips.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/OffscreenShow.h"
#include "app/Schedule.h"

#if defined(__SANITIZE_ADDRESS__)
#define SUNVALE_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SUNVALE_LEAK_CHECKS 1
#endif
#endif
#ifdef SUNVALE_LEAK_CHECKS
#include <sanitizer/lsan_interface.h>
#endif

namespace sunvale {
namespace {

#ifdef SUNVALE_LEAK_CHECKS
constexpr int kWidth = 64;
constexpr int kHeight = 48;
// Frames per second of show time: 4.2 ticks per frame, so 3,832 frames from
// tick 0 to just before the show's end at 16100 (273.7 s).
constexpr double kFramesPerSecond = 14.0;
#endif

// Every schedule row is built, every frame from tick 0 up to the show's end
// is drawn and finished, the show is closed (scenes, textures, context); then
// a leak check runs in this process, so a report names this test.
TEST(ShowLeaks, WholeShowAtSmallSizeLeavesNothingUnreachable)
{
#ifndef SUNVALE_LEAK_CHECKS
    GTEST_SKIP() << "built without LeakSanitizer (configure with -DSUNVALE_SANITIZE=ON)";
#else
    if (std::FILE* f = std::fopen("data.rar", "rb")) {
        std::fclose(f);
    } else {
        GTEST_SKIP() << "no data.rar in the working directory";
    }
    int64_t frames = 0;
    {
        OffscreenShow show;
        std::string error;
        if (!show.Open(kWidth, kHeight, &error)) {
            if (RunningUnderCi()) FAIL() << error;
            GTEST_SKIP() << error;
        }
        show.Load();
        ASSERT_EQ(show.timeline.Count(), 16);
        for (int i = 0; i < show.timeline.Count(); ++i)
            ASSERT_NE(show.timeline.SceneAt(i), nullptr) << "entry " << i;
        for (int64_t k = 0;; ++k) {
            const float t = OffscreenShow::FrameTicks(k, kFramesPerSecond);
            if (t >= kShowEndTicks) break;
            show.DrawFrame(t, t * 0.017f);
            show.EndFrame();
            ++frames;
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    EXPECT_EQ(frames, 3832);
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0)
        << "LeakSanitizer's report above lists what the show left unreachable";
#endif
}

}  // namespace
}  // namespace sunvale
