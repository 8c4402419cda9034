// Scene D rendered offscreen with the textures of the generated data.rar
// (the tests run in the build folder): its textures and effects, the blob
// view phases across entries with music and clock in step, the frame step
// that spans the gap between entries, the picture swaps with their random
// placement, and the texture indices' cycles.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "SceneTestContext.h"
#include "effects/CBlobSurfaceEffect.h"
#include "effects/CFadeEffect.h"
#include "scenes/SceneD.h"

namespace sunvale {
namespace {

constexpr float kEntryStarts[4] = {8640, 10361.25f, 10766.25f, 12690};
constexpr float kEntryEnds[4] = {9450, 10665, 11070, 13490};

CImageQuadEffect* QuadOf(const SceneD& scene, int index)
{
    return static_cast<CImageQuadEffect*>(scene.Effects().effects[index]);
}
CBlobSurfaceEffect* BlobsOf(const SceneD& scene)
{
    return static_cast<CBlobSurfaceEffect*>(scene.Effects().effects[SceneD::kBlobEffect]);
}

class SceneDTest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (!Ready()) return;
        SceneD::ClassState() = SceneD::State{};
    }
};

TEST_F(SceneDTest, LoadsTwentyThreeTexturesAndCreatesSevenEffects)
{
    SceneD scene;
    ExpectBuilt<CPlaneFanEffect, CScanlineNoiseEffect, CImageQuadEffect, CFadeEffect,
                CBlobSurfaceEffect, CImageQuadEffect, CImageQuadEffect>(scene,
                                                                        SceneD::kTextureCount);
    EXPECT_EQ(BlobsOf(scene)->texture, scene.TextureAt(3));
}

TEST_F(SceneDTest, BlobPhasesFollowTheMusicAcrossEntries)
{
    SceneD entries[3];
    // Music and clock in step (17 ms per tick); a frame every 10 ticks.
    const auto play = [&](int entry, float from, float to) {
        for (float t = from; t < to; t += 10) {
            g_testMusic = t * 0.017f;
            entries[entry].Render(t, kEntryStarts[entry]);
        }
    };
    const SceneD::State& state = SceneD::ClassState();
    play(0, kEntryStarts[0] + 1, kEntryStarts[0] + 400);  // 6.8 s: phase 0
    EXPECT_EQ(state.phase, 0);
    const float t0 = kEntryStarts[0] + 391, u0 = 0.03f * t0;
    const float* up = BlobsOf(entries[0])->up;
    EXPECT_FLOAT_EQ(up[0], std::sin(u0));
    EXPECT_FLOAT_EQ(up[1], -std::cos(u0));
    EXPECT_EQ(up[2], 0);
    play(0, kEntryStarts[0] + 401, kEntryEnds[0]);
    EXPECT_EQ(state.phase, 1);
    EXPECT_EQ(BlobsOf(entries[0])->up[2], -1);

    // The second entry begins in phase 2, after a gap of about 15 s.
    play(1, kEntryStarts[1] + 1, kEntryStarts[1] + 2);
    EXPECT_EQ(state.phase, 2);
    const float u1 = 0.03f * (kEntryStarts[1] + 1);
    EXPECT_FLOAT_EQ(BlobsOf(entries[1])->up[0], std::sin(u1));
    EXPECT_FLOAT_EQ(BlobsOf(entries[1])->up[1], std::cos(u1));
    EXPECT_EQ(BlobsOf(entries[1])->up[2], 1);
    play(1, kEntryStarts[1] + 11, kEntryEnds[1]);
    EXPECT_EQ(state.phase, 2);

    // The third switches to the frozen view about 65 ticks in; the up
    // vector then keeps the last one phase 2 set.
    play(2, kEntryStarts[2] + 1, kEntryStarts[2] + 62);
    EXPECT_EQ(state.phase, 2);
    float frozen[3];
    std::copy(BlobsOf(entries[2])->up, BlobsOf(entries[2])->up + 3, frozen);
    play(2, kEntryStarts[2] + 71, kEntryStarts[2] + 72);
    EXPECT_EQ(state.phase, 3);
    play(2, kEntryStarts[2] + 81, kEntryStarts[2] + 200);
    EXPECT_EQ(state.phase, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(BlobsOf(entries[2])->up[i], frozen[i]);
}

TEST_F(SceneDTest, FrameStepStartsFromTheFirstEntryStartAndSpansGapsBetweenEntries)
{
    SceneD first, second;  // no music: no swap ever, the pictures keep growing
    first.Render(kEntryStarts[0] + 1.5f, kEntryStarts[0]);
    EXPECT_FLOAT_EQ(QuadOf(first, SceneD::kMessageEffect)->scale[0], 2.5f);
    EXPECT_FLOAT_EQ(QuadOf(first, SceneD::kImageEffect)->scale[2], 2.5f);
    EXPECT_FLOAT_EQ(QuadOf(first, SceneD::kImageEffect)->color[0], 0.8f - 1.5f * 0.05f);
    first.Render(kEntryStarts[0] + 10, kEntryStarts[0]);
    EXPECT_FLOAT_EQ(QuadOf(first, SceneD::kMessageEffect)->scale[1], 11);

    // The second entry's first frame steps over the whole gap.
    const float t = kEntryStarts[1] + 2;
    second.Render(t, kEntryStarts[1]);
    const float gap = t - (kEntryStarts[0] + 10);
    EXPECT_FLOAT_EQ(QuadOf(second, SceneD::kMessageEffect)->scale[0], 11 + gap);
    EXPECT_FLOAT_EQ(QuadOf(second, SceneD::kImageEffect)->scale[0], 11 + gap);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(QuadOf(second, SceneD::kImageEffect)->color[i], 0);
    EXPECT_EQ(SceneD::ClassState().msgIndex, 16);
    EXPECT_EQ(SceneD::ClassState().ashIndex, 8);
    EXPECT_EQ(SceneD::ClassState().prevTime, t);
}

TEST_F(SceneDTest, MessageSwapPlacesThePictureWithFourRandomNumbers)
{
    SceneD scene;
    const float start = kEntryStarts[0];
    g_testMusic = 150;
    scene.Render(start + 1, start);  // seeds the swap times at 150 s
    const CImageQuadEffect* message = QuadOf(scene, SceneD::kMessageEffect);
    EXPECT_EQ(message->position[0], 0);
    EXPECT_EQ(message->position[1], -1);
    EXPECT_EQ(message->position[2], -200);

    g_testMusic = 150.25f;
    srand(1);  // 41 goes to the noise strips, then 18467, 6334, 26500, 19169
    scene.Render(start + 13, start);
    EXPECT_EQ(rand(), 15724);
    EXPECT_EQ(message->position[0], (19169 % 60) - (26500 % 120));
    EXPECT_EQ(message->position[1], (6334 % 60) - (18467 % 120) - 1);
    EXPECT_EQ(message->position[2], -200);
    EXPECT_FLOAT_EQ(message->scale[0], 1 + 12);  // regrown from 1 by this frame's step
    EXPECT_EQ(message->texture, scene.TextureAt(17));
    EXPECT_FLOAT_EQ(message->color[0], 0.3f);
    EXPECT_FLOAT_EQ(message->color[1], 0.4f);
    EXPECT_FLOAT_EQ(message->color[2], 0.9f);
    const CImageQuadEffect* ashura = QuadOf(scene, SceneD::kImageEffect);
    EXPECT_EQ(ashura->texture, scene.TextureAt(9));
    EXPECT_FLOAT_EQ(ashura->color[1], 0.8f - 12 * 0.05f);
    EXPECT_EQ(ashura->position[1], -1);

    // A long jump of the music still swaps once.
    g_testMusic = 170;
    scene.Render(start + 14, start);
    EXPECT_EQ(SceneD::ClassState().msgIndex, 18);
    EXPECT_EQ(SceneD::ClassState().ashIndex, 10);
}

TEST_F(SceneDTest, PictureIndicesCycleWithinTheirRanges)
{
    SceneD scene;
    const float start = kEntryStarts[0];
    float t = start + 1;
    g_testMusic = 150;
    int messageWraps = 0, ashuraWraps = 0;
    for (int frame = 0; frame < 40; ++frame, t += 12) {
        const SceneD::State before = SceneD::ClassState();
        scene.Render(t, start);
        const SceneD::State& now = SceneD::ClassState();
        ASSERT_GE(now.msgIndex, 16);
        ASSERT_LE(now.msgIndex, 22);
        ASSERT_GE(now.ashIndex, 8);
        ASSERT_LE(now.ashIndex, 15);
        ASSERT_GE(now.background.imageIndex, 4);
        ASSERT_LE(now.background.imageIndex, 7);
        if (frame > 0) {
            EXPECT_EQ(now.msgIndex, before.msgIndex == 22 ? 16 : before.msgIndex + 1);
            EXPECT_EQ(now.ashIndex, before.ashIndex == 15 ? 8 : before.ashIndex + 1);
        }
        messageWraps += now.msgIndex == 16 && before.msgIndex == 22;
        ashuraWraps += now.ashIndex == 8 && before.ashIndex == 15;
        EXPECT_EQ(QuadOf(scene, SceneD::kMessageEffect)->texture, scene.TextureAt(now.msgIndex));
        g_testMusic += 0.25f;
    }
    EXPECT_GE(messageWraps, 5);
    EXPECT_GE(ashuraWraps, 4);
}

TEST_F(SceneDTest, FrameShowsTheLandscapeBetweenBlackLetterboxRows)
{
    SceneD scene;
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.Render(kEntryStarts[0] + 3, kEntryStarts[0]);
    EXPECT_GT(CountBetweenBars(), 80 * (160 / 3) * 9 / 10);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FLOAT_EQ(GetFloats(GL_COLOR_CLEAR_VALUE)[0], 0.5f);  // the landscape's grey, next
}

}  // namespace
}  // namespace sunvale
