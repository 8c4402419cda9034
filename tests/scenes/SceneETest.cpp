// Scene E rendered offscreen with the textures of the generated data.rar:
// its set-up, the cloud's clock in each of its two entries (the show time;
// ten times the show time up to 35 ticks inclusive, then running on), the
// cloud's frustum, the picture under the overlay and the background cycle.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "SceneTestContext.h"
#include "effects/CFadeEffect.h"
#include "scenes/SceneE.h"

namespace sunvale {
namespace {

constexpr float kFirstStart = 9450;
constexpr float kSecondStart = 11070;

class SceneETest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (!Ready()) return;
        SetMode(1024, 576);
        SceneE::ClassState() = SceneE::AnimationState{};
    }
    // The cloud's times of the frames at the given ticks, in one entry.
    static std::vector<float> CloudTimes(float start, const std::vector<float>& ticks)
    {
        Probed<SceneE> scene({SceneE::kCloudEffect}, false);
        std::vector<float> times;
        for (float t : ticks) scene.Render(t, start);
        for (const ProbeCall& call : scene.calls) times.push_back(call.time);
        // glFrustum(-0.3 a, 0.3 a, -0.3, 0.3, 1, 1000), a = 1024 / 576
        EXPECT_NEAR(scene.calls.back().projection[0], 1 / (0.3f * (1024.0f / 576)), 1e-5);
        EXPECT_NEAR(scene.calls.back().projection[5], 1 / 0.3f, 1e-5);
        EXPECT_NEAR(scene.calls.back().projection[14], -2000.0 / 999, 1e-5);
        return times;
    }
};

TEST_F(SceneETest, LoadsEightTexturesAndACloudThatNeverFades)
{
    srand(4);
    SceneE scene;
    ExpectBuilt<CPlaneFanEffect, CScanlineNoiseEffect, CImageQuadEffect, CFadeEffect,
                CParticleCloudEffect, CImageQuadEffect>(scene, SceneE::kTextureCount);
    const auto* cloud = static_cast<CParticleCloudEffect*>(scene.Effects().effects[4]);
    ExpectOnlyCloudDrew(*cloud, scene.TextureAt(3), 4);  // particle2.jpg
    EXPECT_EQ(cloud->fadeOutStart, 1e10f);
}

TEST_F(SceneETest, FirstEntryDrivesTheCloudWithTheShowTime)
{
    const std::vector<float> ticks = {9451.0f, 9500.5f, 10259.0f};
    EXPECT_EQ(CloudTimes(kFirstStart, ticks), ticks);
    EXPECT_EQ(SceneE::ClassState().cloudTime, 0.0f);
    EXPECT_FALSE(SceneE::ClassState().lastTimeSet);
}

TEST_F(SceneETest, SecondEntryRacesThirtyFiveTicksInclusiveThenRunsOn)
{
    const float s = kSecondStart;
    const float raced = 10 * (s + 35);  // exactly 35: still racing
    EXPECT_EQ(CloudTimes(s, {s + 1, s + 20, s + 35, s + 36.5f, s + 40}),
              (std::vector<float>{10 * (s + 1), 10 * (s + 20), raced, raced + 1.5f,
                                  raced + 1.5f + 3.5f}));
    EXPECT_EQ(SceneE::ClassState().lastTime, s + 40);

    // A first second-entry frame past 35 ticks takes lastTime = t: a zero
    // step; the first entry leaves the state alone.
    SceneE::AnimationState state;
    EXPECT_EQ(SceneE::CloudTime(s + 50, s, &state), 0.0f);
    EXPECT_EQ(SceneE::CloudTime(s + 52, s, &state), 2.0f);
    EXPECT_EQ(SceneE::CloudTime(9600, kFirstStart, &state), 9600.0f);
    EXPECT_EQ(state.cloudTime, 2.0f);
    EXPECT_EQ(state.lastTime, s + 52);
}

// Both entries share the class's cycle 4..7; the image under the overlay
// keeps no.jpg, in front at (3, 0, -50).
TEST_F(SceneETest, BothEntriesShareTheBackgroundCycle)
{
    SceneE first, second;
    const float a = kFirstStart, b = kSecondStart;
    ExpectBackgroundCycle({{&first, a, FlickerUp(1053), 5},
                           {&first, a, FlickerDown(1053), 5},
                           {&first, a, FlickerUp(1054), 6},
                           {&second, b, FlickerUp(1234), 6},
                           {&second, b, FlickerDown(1234), 6},
                           {&second, b, FlickerUp(1235), 7},
                           {&second, b, FlickerDown(1235), 7},
                           {&second, b, FlickerUp(1236), 4}},
                          &SceneE::ClassState().background.imageIndex);
    const auto* image = static_cast<CImageQuadEffect*>(second.Effects().effects[2]);
    EXPECT_EQ(image->texture, second.TextureAt(2));
    EXPECT_EQ(image->position[0], 3.0f);
    EXPECT_EQ(image->position[2], -50.0f);
}

}  // namespace
}  // namespace sunvale
