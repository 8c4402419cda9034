// Scene F rendered offscreen with the textures of the generated data.rar
// (the tests run in the build folder): its set-up, the background image
// cycle across triggers and entries, the star's fade per frame, its distance
// per entry, and the letterbox bars.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "SceneTestContext.h"
#include "effects/CFadeEffect.h"
#include "effects/CPlaneStarEffect.h"
#include "scenes/SceneF.h"

namespace sunvale {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kEntryStarts[4] = {10260, 10665, 11880, 12285};

CPlaneStarEffect* StarOf(const SceneF& scene)
{
    return static_cast<CPlaneStarEffect*>(scene.Effects().effects[SceneF::kStarEffect]);
}

class SceneFTest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (Ready()) SceneF::ClassBackground() = BackgroundFlicker{0, 4, 4, 7};
    }
};

TEST_F(SceneFTest, LoadsEightTexturesAndGivesTheFourthToTheStar)
{
    SceneF scene;
    ExpectBuilt<CPlaneFanEffect, CScanlineNoiseEffect, CImageQuadEffect, CFadeEffect,
                CPlaneStarEffect, CImageQuadEffect>(scene, SceneF::kTextureCount);
    EXPECT_EQ(StarOf(scene)->texture, scene.TextureAt(3));
}

// Two entries share the class's cycle 4..7: the class's first frame is up
// and triggers, a frame still up does not, and the run goes on into the
// next entry and wraps round.
TEST_F(SceneFTest, BackgroundImageAdvancesOncePerTriggerAcrossEntries)
{
    SceneF first, second;
    const float a = kEntryStarts[0], b = kEntryStarts[1];
    ExpectBackgroundCycle({{&first, a, FlickerUp(1143), 5},
                           {&first, a, FlickerUp(1143), 5},
                           {&first, a, FlickerDown(1143), 5},
                           {&first, a, FlickerUp(1144), 6},
                           {&second, b, FlickerUp(1188), 6},
                           {&second, b, FlickerDown(1188), 6},
                           {&second, b, FlickerUp(1189), 7},
                           {&second, b, FlickerDown(1189), 7},
                           {&second, b, FlickerUp(1190), 4}},
                          &SceneF::ClassBackground().imageIndex);
}

TEST_F(SceneFTest, StarFadesOneStepPerRenderedFrameInEachObject)
{
    SceneF scene, next;
    const float start = kEntryStarts[0];
    int frames = 0;
    for (const auto& [frame, alpha] : {std::pair<int, float>{1, 0.395f}, {2, 0.39f}, {80, 0}}) {
        for (; frames < frame; ++frames) scene.Render(start + 1, start);  // frames, not ticks
        EXPECT_NEAR(StarOf(scene)->color[3], alpha, 1e-6f) << "frame " << frame;
        EXPECT_EQ(StarOf(scene)->color[3], scene.StarAlpha());
    }
    scene.Render(start + 90, start);
    EXPECT_EQ(StarOf(scene)->color[3], 0.0f);
    EXPECT_FLOAT_EQ(StarOf(scene)->color[0], 0.4f);
    next.Render(kEntryStarts[1] + 1, kEntryStarts[1]);
    EXPECT_FLOAT_EQ(StarOf(next)->color[3], 0.395f);
}

TEST_F(SceneFTest, StarStandsAtItsEntryDistanceTurnedWithTime)
{
    const float distances[4] = {-300, -250, -300, -250};
    for (int entry = 0; entry < 4; ++entry) {
        Probed<SceneF> scene({SceneF::kStarEffect}, false);
        const float start = kEntryStarts[entry], t = start + 40;
        srand(1);
        scene.Render(t, start);
        EXPECT_EQ(rand(), 18467);  // the noise strips took one number
        ASSERT_EQ(scene.Order(), "D4");
        const ProbeCall& star = scene.calls[0];
        EXPECT_EQ(star.time, 40);
        // translate(0, -10, distance) * rotate(0.3 t about Y)
        const double angle = static_cast<double>(t * 0.3f) * kPi / 180;
        EXPECT_NEAR(star.modelview[0], std::cos(angle), 1e-4);
        EXPECT_NEAR(star.modelview[8], std::sin(angle), 1e-4);
        EXPECT_NEAR(star.modelview[13], -10, 1e-4);
        EXPECT_NEAR(star.modelview[14], distances[entry], 1e-3);
        // glFrustum(-1.6 a, 1.6 a, -1.6, 1.6, 1, 4000), a = 800 / 600
        EXPECT_NEAR(star.projection[0], 1 / (1.6 * 800 / 600), 1e-6);
        EXPECT_NEAR(star.projection[5], 1 / 1.6, 1e-6);
        EXPECT_NEAR(star.projection[14], -8000.0 / 3999, 1e-5);
    }
}

TEST_F(SceneFTest, FrameEndsWithBlackLetterboxRows)
{
    SceneF scene;
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.Render(kEntryStarts[0] + 3, kEntryStarts[0]);
    glClearColor(0, 0, 0, 1);
    EXPECT_GT(CountBetweenBars(), 160 / 3 * 80 / 2);  // mostly the picture
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}

}  // namespace
}  // namespace sunvale
