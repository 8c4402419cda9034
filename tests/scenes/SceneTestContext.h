// The offscreen OpenGL context that a scene test suite draws into: made
// before the suite's first test and released after its last (scenes need a
// current context to load their textures and build their effects). Each test
// starts with the mode record at 800 x 600 x 32, the aspect ratio the scenes
// read, unless the suite sets another after the base's SetUp.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/DisplaySettings.h"
#include "app/MusicPosition.h"
#include "app/OffscreenContext.h"

namespace sunvale {

template <int Width = 160, int Height = 120>
class SceneTestContext : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        context_ = std::make_unique<OffscreenContext>();
        if (!context_->Create(Width, Height)) context_.reset();
    }
    static void TearDownTestSuite()
    {
        SetMusicPositionSource(nullptr);
        context_.reset();
    }

    // Without a context a test fails under CI and is skipped elsewhere; a
    // derived SetUp returns at once when Ready() is false.
    void SetUp() override
    {
        if (context_ == nullptr) {
            if (RunningUnderCi()) FAIL() << "no offscreen OpenGL context";
            GTEST_SKIP() << "no offscreen OpenGL context";
        }
        SetMode(800, 600);
    }
    void TearDown() override { SetMusicPositionSource(nullptr); }

    [[nodiscard]] bool Ready() const { return context_ != nullptr && !HasFatalFailure(); }

    static void SetMode(uint32_t width, uint32_t height)
    {
        g_displaySettings.mode.pelsWidth = width;
        g_displaySettings.mode.pelsHeight = height;
        g_displaySettings.mode.bitsPerPel = 32;
    }

    static inline std::unique_ptr<OffscreenContext> context_;
};

}  // namespace sunvale
