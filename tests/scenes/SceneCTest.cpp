// Scene C rendered offscreen with the textures of the generated data.rar:
// the cloud's set-up and its random numbers, the star by music position
// (none, opening, closing with its jitter and fade), the flash pictures and
// their own pairs, the first frame's large step, and scene C over scene B
// in the overlap of their entries.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "SceneTestContext.h"
#include "app/Schedule.h"
#include "app/Timeline.h"
#include "effects/CFadeEffect.h"
#include "effects/CPlaneStarEffect.h"
#include "scenes/SceneC.h"

namespace sunvale {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kStart = 6195;

// Scene C with a probe in place of its star, which it does not draw; the
// real star still receives the colour the scene sets.
class ProbedSceneC : public Probed<SceneC> {
public:
    ProbedSceneC() : Probed({SceneC::kStarEffect}, false) {}
    const CPlaneStarEffect* Star() const { return Real<CPlaneStarEffect>(kStarEffect); }
    const CImageQuadEffect* Image() const { return Real<CImageQuadEffect>(kImageEffect); }
    Mat4 Modelview() const { return Last(kStarEffect).modelview; }
    // Near-plane half-height of the last star frustum (symmetric bounds).
    double StarHalfHeight() const { return 1.0 / Last(kStarEffect).projection[5]; }
    std::vector<float> Times() const
    {
        std::vector<float> out;
        for (const ProbeCall& call : calls) out.push_back(call.time);
        return out;
    }
};

class SceneCTest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (!Ready()) return;
        SceneC::ClassState() = SceneC::AnimationState{};
    }
    // Renders one frame at t with the music at m, dt ticks after the previous.
    static void Frame(SceneC& scene, float t, float m, float dt)
    {
        SceneC::ClassState().previousTime = t - dt;
        PlayMusicAt(m);
        scene.Render(t, kStart);
    }
};

// 0.8 sin(0.25 t) + 0.2 above or below zero: the star's fast or slow spin.
float TickWithPulse(bool high)
{
    for (float t = 7000;; t += 1) {
        const float p = 0.8f * std::sin(0.25f * t) + 0.2f;
        if ((p > 0.5f) == high && (p < -0.2f) != high) return t;
    }
}

// The cloud was generated after it got particle2.jpg; the constructor's only
// random numbers are the cloud's.
TEST_F(SceneCTest, LoadsFourteenTexturesAndGeneratesTheCloudAfterGivingTextures)
{
    srand(99);
    SceneC scene;
    ExpectBuilt<CPlaneFanEffect, CScanlineNoiseEffect, CImageQuadEffect, CFadeEffect,
                CParticleCloudEffect, CImageQuadEffect, CPlaneStarEffect>(scene,
                                                                          SceneC::kTextureCount);
    const auto* cloud = static_cast<CParticleCloudEffect*>(scene.Effects().effects[4]);
    ExpectOnlyCloudDrew(*cloud, scene.TextureAt(8), 99);
    EXPECT_EQ(cloud->fadeOutStart, 15.9f);
    EXPECT_EQ(static_cast<CPlaneStarEffect*>(scene.Effects().effects[6])->texture,
              scene.TextureAt(9));  // ffd.png
}

TEST_F(SceneCTest, NoStarBelow133Seconds)
{
    ProbedSceneC scene;
    for (float m : {0.0f, 22.5f, 132.99f}) Frame(scene, 7000, m, 3);
    EXPECT_TRUE(scene.calls.empty());
    Frame(scene, 7000, 133.0f, 3);
    EXPECT_EQ(scene.Times(), std::vector<float>{7000 - kStart});
}

TEST_F(SceneCTest, OpeningStarWidensToThreePointSixAndSpinsWithThePulse)
{
    ProbedSceneC scene;
    const float fast = TickWithPulse(true), slow = TickWithPulse(false);
    Frame(scene, fast, 140, 1);  // 0.6 + 0.3
    EXPECT_NEAR(scene.StarHalfHeight(), 0.9, 1e-6);
    EXPECT_NEAR(scene.Last(SceneC::kStarEffect).projection[0], 1 / (0.9 * 800 / 600), 1e-5);
    EXPECT_NEAR(scene.Last(SceneC::kStarEffect).projection[14], -8000.0 / 3999,
                1e-5);  // near 1, far 4000
    EXPECT_NEAR(scene.Modelview()[13], -10, 1e-4);
    EXPECT_NEAR(scene.Modelview()[14], -200, 1e-3);
    EXPECT_NEAR(scene.Modelview()[0], std::cos(5.0 * fast * kPi / 180), 2e-3);
    EXPECT_FLOAT_EQ(scene.Star()->color[3], 0.2f * std::sin(0.03f * fast) + 0.3f);
    EXPECT_FLOAT_EQ(scene.Star()->color[0], 0.3f);

    Frame(scene, slow, 141, 5);  // 0.9 + 1.5
    EXPECT_NEAR(scene.StarHalfHeight(), 2.4, 1e-5);
    EXPECT_NEAR(scene.Modelview()[0], std::cos(0.3 * slow * kPi / 180), 2e-3);
    Frame(scene, slow, 142, 5);  // capped
    EXPECT_NEAR(scene.StarHalfHeight(), 3.6, 1e-5);
    EXPECT_EQ(SceneC::ClassState().openingLower, -3.6f);
    EXPECT_EQ(SceneC::ClassState().openingUpper, 3.6f);
    // The closing bounds are untouched while the star opens.
    EXPECT_EQ(SceneC::ClassState().closingUpper, 3.6f);
}

TEST_F(SceneCTest, ClosingStarNarrowsToPointSixFadesAndJitters)
{
    ProbedSceneC scene;
    const float fast = TickWithPulse(true), slow = TickWithPulse(false);

    // First closing frame: alpha starts at 0.2 sin(0.003 t) + 0.3 and loses
    // 0.025 at once. On the pulse's high half the star jumps by a new
    // random (rand() % 10) - 10 each frame, after the noise strips' number.
    srand(5);
    Frame(scene, fast, 146, 1);
    const int afterFast = rand();
    srand(5);
    const int noiseNumber = rand(), jolt = rand(), third = rand();
    EXPECT_EQ(afterFast, third);  // two numbers taken: the noise strips' and the jolt
    const float firstAlpha = 0.2f * std::sin(0.003f * fast) + 0.3f - 0.025f;
    EXPECT_FLOAT_EQ(scene.Star()->color[3], firstAlpha);
    EXPECT_NEAR(scene.StarHalfHeight(), 3.3, 1e-5);
    EXPECT_NEAR(scene.Modelview()[13], jolt % 10 - 10, 1e-4);
    EXPECT_NEAR(scene.Modelview()[0], std::cos(5.0 * fast * kPi / 180), 2e-3);

    // Second frame, low half: no jolt, no extra number; alpha goes on down.
    srand(5);
    Frame(scene, slow, 146.5f, 1);
    EXPECT_EQ(rand(), jolt);  // only the noise strips took one
    EXPECT_NE(noiseNumber, jolt);
    EXPECT_NEAR(scene.Modelview()[13], -10, 1e-4);
    EXPECT_NEAR(scene.Modelview()[0], std::cos(0.3 * slow * kPi / 180), 2e-3);
    EXPECT_FLOAT_EQ(scene.Star()->color[3], firstAlpha - 0.025f);
    EXPECT_NEAR(scene.StarHalfHeight(), 3.0, 1e-5);

    Frame(scene, slow, 147, 100);
    EXPECT_NEAR(scene.StarHalfHeight(), 0.6, 1e-5);
    EXPECT_EQ(SceneC::ClassState().closingLower, -0.6f);
    for (int i = 0; i < 20; ++i) Frame(scene, slow, 147, 1);
    EXPECT_EQ(scene.Star()->color[3], 0.0f);  // clamped, not negative
}

TEST_F(SceneCTest, FlashPicturesFollowOnePerSecondFrom143)
{
    int slot = 0;
    struct Case {
        float m;
        int32_t picture;
    };
    for (const Case& c : {Case{0, 10}, Case{22.49f, 10}, Case{22.5f, 2}, Case{142.99f, 2},
                          Case{143.0f, 10}, Case{143.89f, 10}, Case{143.9f, 11}, Case{144.89f, 11},
                          Case{144.9f, 12}, Case{145.89f, 12}, Case{145.9f, 13}, Case{146.89f, 13},
                          Case{146.9f, -1}, Case{200, -1}}) {
        EXPECT_EQ(SceneC::PictureFor(c.m, &slot), c.picture) << c.m;
    }

    ProbedSceneC scene;
    // Each flash begins with its own fresh pair: size 1 + dt, level 1 - 0.05 dt.
    const float flashes[4] = {143.0f, 143.9f, 144.9f, 145.9f};
    for (int k = 0; k < 4; ++k) {
        Frame(scene, 8300 + k, flashes[k], 2);
        const CImageQuadEffect* image = scene.Image();
        EXPECT_EQ(image->texture, scene.TextureAt(10 + k)) << flashes[k];
        EXPECT_EQ(image->scale[0], 3.0f);
        EXPECT_EQ(image->scale[2], 3.0f);
        EXPECT_FLOAT_EQ(image->color[1], 0.9f);
        EXPECT_EQ(image->position[0], 0.0f);
        EXPECT_EQ(image->position[1], -1.0f);
        EXPECT_EQ(image->position[2], -50.0f);
    }
    // A flash is black after 20 ticks.
    Frame(scene, 8320, 146.0f, 18);
    EXPECT_NEAR(scene.Image()->color[0], 0.0f, 1e-5f);
    EXPECT_EQ(scene.Image()->scale[0], 21.0f);
    // From 146.9 s the last picture, size and colour stay, at (3, 0, -50).
    Frame(scene, 8330, 150.0f, 10);
    EXPECT_EQ(scene.Image()->texture, scene.TextureAt(13));
    EXPECT_EQ(scene.Image()->scale[0], 21.0f);
    EXPECT_EQ(scene.Image()->position[0], 3.0f);
    EXPECT_EQ(scene.Image()->position[1], 0.0f);
    // Texture 2's pair was never touched by the flashes.
    EXPECT_EQ(SceneC::ClassState().pairs[0].scale, 1.0f);
}

TEST_F(SceneCTest, FirstFrameStepsByTheWholeShowTime)
{
    SceneC scene;
    // No music: picture 10, and no star.
    scene.Render(kStart + 1, kStart);
    const auto* image = static_cast<CImageQuadEffect*>(scene.Effects().effects[2]);
    EXPECT_EQ(image->texture, scene.TextureAt(10));
    EXPECT_FLOAT_EQ(image->scale[0], 1 + kStart + 1);
    EXPECT_FLOAT_EQ(image->color[0], 1 - 0.05f * (kStart + 1));
    EXPECT_EQ(SceneC::ClassState().previousTime, kStart + 1);
    // Later in the music, texture 2 jumps by its own first step too.
    PlayMusicAt(30);
    scene.Render(kStart + 3, kStart);
    EXPECT_EQ(image->texture, scene.TextureAt(2));
    EXPECT_FLOAT_EQ(image->scale[0], 3);
}

// Stands in for scene B: paints the whole frame red and notes whether
// scene C had drawn this frame already.
class PaintingScene : public Scene {
public:
    void Render(float t, float) override
    {
        calls.push_back(t);
        drewAfterC.push_back(SceneC::ClassState().previousTime == t);
        glClearColor(1, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    std::vector<float> calls;
    std::vector<bool> drewAfterC;
};

TEST_F(SceneCTest, DrawnOverSceneBInTheirOverlap)
{
    const ScheduleRow& b = kShowSchedule[1];
    const ScheduleRow& c = kShowSchedule[2];
    ASSERT_EQ(b.kind, SceneKind::B);
    ASSERT_EQ(c.kind, SceneKind::C);
    Timeline timeline;
    auto* painter = new PaintingScene();
    timeline.Add(painter, b.start, b.end);
    timeline.Add(CreateScene(SceneKind::C), c.start, c.end);
    ASSERT_NE(timeline.SceneAt(1), nullptr);

    timeline.Update(6195);  // B alone
    EXPECT_EQ(SceneC::ClassState().previousTime, 0.0f);
    timeline.Update(6197.5f);  // both, B first, C over it
    ASSERT_EQ(painter->calls, (std::vector<float>{6195, 6197.5f}));
    EXPECT_FALSE(painter->drewAfterC[1]);
    EXPECT_EQ(SceneC::ClassState().previousTime, 6197.5f);
    const int width = context_->Width(), height = context_->Height();
    EXPECT_EQ(context_->PixelAt(width / 2, 2) >> 8, 0u);              // C's bars over B's red
    EXPECT_GE(context_->PixelAt(width / 2, height / 2) >> 24, 250u);  // C adds to the red
    timeline.Update(6200);                                            // C alone
    EXPECT_EQ(painter->calls.size(), 2u);
    EXPECT_EQ(SceneC::ClassState().previousTime, 6200.0f);
}

}  // namespace
}  // namespace sunvale
