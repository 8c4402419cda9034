// Scene E rendered offscreen with the textures of the generated data.rar:
// its set-up, the cloud's clock in each of its two entries (the show time;
// ten times the show time up to 35 ticks inclusive, then running on), the
// cloud's frustum, and the picture under the overlay.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SceneTestContext.h"
#include "app/DisplaySettings.h"
#include "app/OffscreenContext.h"
#include "app/Random.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CParticleCloudEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"
#include "scenes/SceneE.h"

namespace sunvale {
namespace {

constexpr float kFirstStart = 9450;
constexpr float kSecondStart = 11070;

// Scene E with a probe in place of its cloud: it records the time values and
// the projection the scene draws the cloud with.
class ProbedSceneE : public SceneE, Effect {
public:
    ProbedSceneE() : cloud_(effects.effects[kCloudEffect]) { effects.effects[kCloudEffect] = this; }
    ~ProbedSceneE() override { effects.effects[kCloudEffect] = cloud_; }  // deleted with the scene
    void Draw(float time) override
    {
        times.push_back(time);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
    }
    std::vector<float> times;
    float projection[16] = {};

private:
    Effect* cloud_;
};

class SceneETest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (!Ready()) return;
        SetMode(1024, 576);
        SceneE::ClassState() = SceneE::AnimationState{};
    }
};

TEST_F(SceneETest, LoadsEightTexturesAndACloudThatNeverFades)
{
    srand(4);
    SceneE scene;
    for (int i = 0; i < SceneE::kTextureCount; ++i) EXPECT_GT(scene.TextureAt(i), 0) << i;
    const EffectList& list = scene.Effects();
    ASSERT_EQ(list.count, 6);
    const auto* fan = dynamic_cast<CPlaneFanEffect*>(list.effects[0]);
    const auto* noise = dynamic_cast<CScanlineNoiseEffect*>(list.effects[1]);
    const auto* image = dynamic_cast<CImageQuadEffect*>(list.effects[2]);
    const auto* cloud = dynamic_cast<CParticleCloudEffect*>(list.effects[4]);
    ASSERT_TRUE(fan && noise && image && dynamic_cast<CFadeEffect*>(list.effects[3]) && cloud &&
                dynamic_cast<CImageQuadEffect*>(list.effects[5]));
    EXPECT_EQ(fan->texture, scene.TextureAt(0));
    EXPECT_EQ(noise->texture, scene.TextureAt(1));
    EXPECT_EQ(image->texture, scene.TextureAt(2));
    EXPECT_EQ(cloud->fadeOutStart, 1e10f);
    int particles = 0;
    for (const ParticleGroup& group : cloud->groups) {
        EXPECT_EQ(group.texture, scene.TextureAt(3));  // particle2.jpg
        particles += group.count;
    }
    const int next = rand();
    srand(4);
    for (int i = 0; i < 16 + 3 * particles; ++i) rand();
    EXPECT_EQ(rand(), next);  // the cloud's numbers and no others
}

TEST_F(SceneETest, FirstEntryDrivesTheCloudWithTheShowTime)
{
    ProbedSceneE scene;
    for (float t : {9451.0f, 9500.5f, 10259.0f}) scene.Render(t, kFirstStart);
    EXPECT_EQ(scene.times, (std::vector<float>{9451.0f, 9500.5f, 10259.0f}));
    EXPECT_EQ(SceneE::ClassState().cloudTime, 0.0f);
    EXPECT_FALSE(SceneE::ClassState().lastTimeSet);
    // glFrustum(-0.3 a, 0.3 a, -0.3, 0.3, 1, 1000), a = 1024 / 576
    EXPECT_NEAR(scene.projection[0], 1 / (0.3f * (1024.0f / 576)), 1e-5);
    EXPECT_NEAR(scene.projection[5], 1 / 0.3f, 1e-5);
    EXPECT_NEAR(scene.projection[14], -2000.0 / 999, 1e-5);
}

TEST_F(SceneETest, SecondEntryRacesThirtyFiveTicksInclusiveThenRunsOn)
{
    ProbedSceneE scene;
    const float s = kSecondStart;
    for (float local : {1.0f, 20.0f, 35.0f, 36.5f, 40.0f}) scene.Render(s + local, s);
    ASSERT_EQ(scene.times.size(), 5u);
    EXPECT_EQ(scene.times[0], 10 * (s + 1));
    EXPECT_EQ(scene.times[1], 10 * (s + 20));
    EXPECT_EQ(scene.times[2], 10 * (s + 35));  // exactly 35: still racing
    EXPECT_EQ(scene.times[3], 10 * (s + 35) + 1.5f);
    EXPECT_EQ(scene.times[4], 10 * (s + 35) + 1.5f + 3.5f);
    EXPECT_EQ(SceneE::ClassState().lastTime, s + 40);

    // The image under the overlay keeps no.jpg, in front at (3, 0, -50).
    const auto* image = static_cast<CImageQuadEffect*>(scene.Effects().effects[2]);
    EXPECT_EQ(image->texture, scene.TextureAt(2));
    EXPECT_EQ(image->position[0], 3.0f);
    EXPECT_EQ(image->position[2], -50.0f);
}

TEST_F(SceneETest, SecondEntryJoinedLateStartsFromTheStoredCloudTime)
{
    // A first second-entry frame past 35 ticks takes lastTime = t: a zero step.
    SceneE::AnimationState state;
    EXPECT_EQ(SceneE::CloudTime(kSecondStart + 50, kSecondStart, &state), 0.0f);
    EXPECT_EQ(SceneE::CloudTime(kSecondStart + 52, kSecondStart, &state), 2.0f);
    // The first entry leaves the state alone.
    EXPECT_EQ(SceneE::CloudTime(9600, kFirstStart, &state), 9600.0f);
    EXPECT_EQ(state.cloudTime, 2.0f);
    EXPECT_EQ(state.lastTime, kSecondStart + 52);
}

TEST_F(SceneETest, BothEntriesShareTheBackgroundCycle)
{
    SceneE first, second;
    // Ticks where the flicker is up (sin(0.7 t) = 1) or down (-1).
    constexpr double kPi = 3.14159265358979323846;
    const auto up = [](int k) { return static_cast<float>((kPi / 2 + 2 * kPi * k) / 0.7); };
    const auto down = [&](int k) { return up(k) + static_cast<float>(kPi / 0.7); };
    struct Frame {
        SceneE* scene;
        float start, t;
        int32_t image;
    };
    const Frame frames[] = {
        {&first, kFirstStart, up(1053), 5},  // the class's first frame is up: triggers
        {&first, kFirstStart, down(1053), 5},   {&first, kFirstStart, up(1054), 6},
        {&second, kSecondStart, up(1234), 6},  // still up: the run goes on
        {&second, kSecondStart, down(1234), 6}, {&second, kSecondStart, up(1235), 7},
        {&second, kSecondStart, down(1235), 7}, {&second, kSecondStart, up(1236), 4},
    };
    for (const Frame& f : frames) {
        f.scene->Render(f.t, f.start);
        const auto* image = static_cast<CImageQuadEffect*>(f.scene->Effects().effects[5]);
        EXPECT_EQ(SceneE::ClassState().background.imageIndex, f.image) << "t " << f.t;
        EXPECT_EQ(image->texture, f.scene->TextureAt(f.image)) << "t " << f.t;  // budda5..8
        EXPECT_EQ(image->position[2], -15.0f);
    }
}

}  // namespace
}  // namespace sunvale
