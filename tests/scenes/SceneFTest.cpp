// Scene F rendered offscreen with the textures of the generated data.rar
// (the tests run in the build folder): the background image cycle across
// triggers and entries, the star's fade per frame, its distance per entry,
// the letterbox bars, and the music position without music.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "SceneTestContext.h"
#include "app/DisplaySettings.h"
#include "app/MusicPosition.h"
#include "app/OffscreenContext.h"
#include "app/Random.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CPlaneStarEffect.h"
#include "effects/CScanlineNoiseEffect.h"
#include "scenes/SceneF.h"

namespace sunvale {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kEntryStarts[4] = {10260, 10665, 11880, 12285};

CPlaneStarEffect* StarOf(const SceneF& scene)
{
    return static_cast<CPlaneStarEffect*>(scene.Effects().effects[SceneF::kStarEffect]);
}

// Scene F with a probe in place of its star: it records the time and the
// matrices in force when the scene draws the star.
class ProbedSceneF : public SceneF, Effect {
public:
    ProbedSceneF() : star_(effects.effects[kStarEffect]) { effects.effects[kStarEffect] = this; }
    ~ProbedSceneF() override { effects.effects[kStarEffect] = star_; }  // deleted with the scene
    void Draw(float time) override
    {
        times.push_back(time);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
    }
    std::vector<float> times;
    float modelview[16] = {}, projection[16] = {};

private:
    Effect* star_;
};

class SceneFTest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (!Ready()) return;
        SceneF::ClassBackground() = BackgroundFlicker{0, 4, 4, 7};
    }
};

TEST_F(SceneFTest, LoadsEightTexturesAndGivesTheFirstFourToFanNoiseImageAndStar)
{
    SceneF scene;
    for (int i = 0; i < SceneF::kTextureCount; ++i) EXPECT_GT(scene.TextureAt(i), 0) << i;
    const EffectList& list = scene.Effects();
    const auto* fan = dynamic_cast<CPlaneFanEffect*>(list.effects[0]);
    const auto* noise = dynamic_cast<CScanlineNoiseEffect*>(list.effects[1]);
    const auto* image = dynamic_cast<CImageQuadEffect*>(list.effects[2]);
    const auto* star = dynamic_cast<CPlaneStarEffect*>(list.effects[4]);
    ASSERT_TRUE(fan && noise && image && dynamic_cast<CFadeEffect*>(list.effects[3]) && star &&
                dynamic_cast<CImageQuadEffect*>(list.effects[5]) && list.count == 6);
    EXPECT_EQ((std::array<int32_t, 4>{fan->texture, noise->texture, image->texture, star->texture}),
              (std::array<int32_t, 4>{scene.TextureAt(0), scene.TextureAt(1), scene.TextureAt(2),
                                      scene.TextureAt(3)}));
}

TEST_F(SceneFTest, BackgroundImageAdvancesOncePerTriggerAcrossEntries)
{
    SceneF first, second;  // two entries share the class's cycle
    for (int i = 4; i <= 7; ++i) ASSERT_GT(first.TextureAt(i), 0) << "no data.rar in the folder";
    // Ticks where the flicker is up (sin(0.7 t) = 1) or down (-1).
    const auto up = [](int k) { return static_cast<float>((kPi / 2 + 2 * kPi * k) / 0.7); };
    const auto down = [&](int k) { return up(k) + static_cast<float>(kPi / 0.7); };
    struct Frame {
        SceneF* scene;
        float start, t;
        int32_t image;
    };
    const Frame frames[] = {
        {&first, kEntryStarts[0], up(1143), 5},  // the class's first frame is up: triggers
        {&first, kEntryStarts[0], up(1143), 5},  // still up
        {&first, kEntryStarts[0], down(1143), 5},
        {&first, kEntryStarts[0], up(1144), 6},
        {&second, kEntryStarts[1], up(1188), 6},  // the run goes on into the next entry
        {&second, kEntryStarts[1], down(1188), 6},
        {&second, kEntryStarts[1], up(1189), 7},
        {&second, kEntryStarts[1], down(1189), 7},
        {&second, kEntryStarts[1], up(1190), 4},  // wraps round
    };
    for (const Frame& f : frames) {
        f.scene->Render(f.t, f.start);
        const auto* image = static_cast<CImageQuadEffect*>(f.scene->Effects().effects[5]);
        EXPECT_EQ(SceneF::ClassBackground().imageIndex, f.image) << "t " << f.t;
        EXPECT_EQ(image->texture, f.scene->TextureAt(f.image)) << "t " << f.t;
        EXPECT_EQ(image->position[2], -15.0f);
    }
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
        ProbedSceneF scene;
        const float start = kEntryStarts[entry], t = start + 40;
        srand(1);
        scene.Render(t, start);
        EXPECT_EQ(rand(), 18467);  // the noise strips took one number
        ASSERT_EQ(scene.times, std::vector<float>{40});
        // translate(0, -10, distance) * rotate(0.3 t about Y)
        const double angle = static_cast<double>(t * 0.3f) * kPi / 180;
        EXPECT_NEAR(scene.modelview[0], std::cos(angle), 1e-4);
        EXPECT_NEAR(scene.modelview[8], std::sin(angle), 1e-4);
        EXPECT_NEAR(scene.modelview[13], -10, 1e-4);
        EXPECT_NEAR(scene.modelview[14], distances[entry], 1e-3);
        // glFrustum(-1.6 a, 1.6 a, -1.6, 1.6, 1, 4000), a = 800 / 600
        EXPECT_NEAR(scene.projection[0], 1 / (1.6 * 800 / 600), 1e-6);
        EXPECT_NEAR(scene.projection[5], 1 / 1.6, 1e-6);
        EXPECT_NEAR(scene.projection[14], -8000.0 / 3999, 1e-5);
    }
}

TEST_F(SceneFTest, FrameEndsWithBlackLetterboxRows)
{
    SceneF scene;
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.Render(kEntryStarts[0] + 3, kEntryStarts[0]);
    const int width = context_->Width(), height = context_->Height(), bar = height / 6;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width && (y < bar || y >= height - bar); x += 7) {
            ASSERT_EQ(context_->PixelAt(x, y) >> 8, 0u) << "pixel " << x << ", " << y;
        }
    }
    int lit = 0;  // between the bars: the picture
    for (int x = 0; x < width; ++x) lit += (context_->PixelAt(x, height / 2) >> 8) != 0;
    EXPECT_GT(lit, width / 2);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
}

TEST(SceneMusicPosition, IsZeroWithoutMusic)
{
    SetMusicPositionSource(nullptr);
    EXPECT_EQ(MusicPosition(), 0.0f);
}

}  // namespace
}  // namespace sunvale
