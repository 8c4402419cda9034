// Scene F and the scene base's shared frame steps, rendered offscreen:
// construction, the background flicker and image cycle, the star's fade,
// distance and transform, the letterbox bars, and the music position.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <memory>

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

// Starts of the four scene F entries, in ticks.
constexpr float kEntryStarts[4] = {10260.0f, 10665.0f, 11880.0f, 12285.0f};

// Stands in for the star: records the time it was given and the matrices in
// force when it was asked to draw.
class ProbeEffect : public Effect {
public:
    void Draw(float time) override
    {
        lastTime = time;
        ++draws;
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
    }
    float lastTime = 0.0f;
    int draws = 0;
    float modelview[16] = {};
    float projection[16] = {};
};

// Scene F with hooks for tests: distinct handles for the background images
// and a probe in place of the star.
class TestSceneF : public SceneF {
public:
    // Background images 4..7 get handles 104..107 (never real textures; the
    // texture manager ignores them on release).
    void MarkBackgroundImages()
    {
        for (int i = 4; i <= 7; ++i) {
            textures[i] = 100 + i;
        }
    }
    ProbeEffect* InstallStarProbe()
    {
        realStar_.reset(effects.effects[kStarEffect]);
        auto* probe = new ProbeEffect();
        effects.effects[kStarEffect] = probe;
        return probe;
    }
    CImageQuadEffect* BackgroundImage() const
    {
        return static_cast<CImageQuadEffect*>(effects.effects[kBackgroundEffect]);
    }
    CPlaneStarEffect* Star() const
    {
        return static_cast<CPlaneStarEffect*>(realStar_ ? realStar_.get()
                                                        : effects.effects[kStarEffect]);
    }

private:
    std::unique_ptr<Effect> realStar_;
};

// The flicker trigger written out from its definition, to predict triggers.
bool ReferenceFlickerUp(float t)
{
    const double s = 0.4000000059604645 * std::sin(static_cast<double>(0.7f * t)) +
                     0.20000000298023224;
    return s >= 0.009999999776482582;
}

class SceneFTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        context_ = new OffscreenContext();
        if (!context_->Create(160, 120)) {
            delete context_;
            context_ = nullptr;
        }
    }
    static void TearDownTestSuite()
    {
        delete context_;
        context_ = nullptr;
    }
    void SetUp() override
    {
        if (context_ == nullptr) {
            if (RunningUnderCi()) {
                FAIL() << "no offscreen OpenGL context";
            }
            GTEST_SKIP() << "no offscreen OpenGL context";
        }
        context_->MakeCurrent();
        glViewport(0, 0, context_->Width(), context_->Height());
        g_displaySettings.mode.pelsWidth = 800;
        g_displaySettings.mode.pelsHeight = 600;
        g_displaySettings.mode.bitsPerPel = 32;
        SceneF::ClassBackground() = BackgroundFlicker{0, 4, 4, 7};
    }
    static OffscreenContext* context_;
};

OffscreenContext* SceneFTest::context_ = nullptr;

TEST(SceneFlicker, TriggersOncePerRiseAndCyclesImages)
{
    int32_t count = 0;
    // t = 0: s = 0.2, up on the first frame, which triggers.
    EXPECT_TRUE(Scene::AdvanceFlicker(0.0f, &count));
    EXPECT_EQ(count, 1);
    EXPECT_FALSE(Scene::AdvanceFlicker(0.5f, &count));
    EXPECT_EQ(count, 2);
    // sin(0.7 t) = -1 near t = 3pi/2 / 0.7: s = -0.2, the run ends.
    EXPECT_FALSE(Scene::AdvanceFlicker(6.7319f, &count));
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(Scene::AdvanceFlicker(9.0f, &count));

    EXPECT_EQ(Scene::NextImageIndex(4, 4, 7), 5);
    EXPECT_EQ(Scene::NextImageIndex(7, 4, 7), 4);
    EXPECT_EQ(Scene::NextImageIndex(5, 3, 5), 3);
}

TEST(SceneFDistance, FourEntriesStandAtTheirDistances)
{
    const float expected[4] = {-300.0f, -250.0f, -300.0f, -250.0f};
    for (int entry = 0; entry < 4; ++entry) {
        ASSERT_TRUE(SceneF::StarDistance(kEntryStarts[entry]).has_value());
        EXPECT_EQ(*SceneF::StarDistance(kEntryStarts[entry]), expected[entry]);
    }
    EXPECT_EQ(*SceneF::StarDistance(10361.0f), -300.0f);
    EXPECT_EQ(*SceneF::StarDistance(10361.25f), -250.0f);
    EXPECT_EQ(*SceneF::StarDistance(11981.25f), -250.0f);
    EXPECT_FALSE(SceneF::StarDistance(12386.25f).has_value());
}

TEST_F(SceneFTest, BuildsEightTexturesAndSixEffectsInOrder)
{
    SceneF scene;
    EXPECT_EQ(scene.TextureCount(), SceneF::kTextureCount);
    const EffectList& list = scene.Effects();
    EXPECT_EQ(list.count, 6);
    EXPECT_NE(dynamic_cast<CPlaneFanEffect*>(list.effects[0]), nullptr);
    EXPECT_NE(dynamic_cast<CScanlineNoiseEffect*>(list.effects[1]), nullptr);
    EXPECT_NE(dynamic_cast<CImageQuadEffect*>(list.effects[2]), nullptr);
    EXPECT_NE(dynamic_cast<CFadeEffect*>(list.effects[3]), nullptr);
    EXPECT_NE(dynamic_cast<CPlaneStarEffect*>(list.effects[4]), nullptr);
    EXPECT_NE(dynamic_cast<CImageQuadEffect*>(list.effects[5]), nullptr);
    EXPECT_EQ(list.effects[6], nullptr);
    // Textures 0, 1, 2 and 3 go to the fan, the noise, the image and the star.
    EXPECT_EQ(static_cast<CPlaneFanEffect*>(list.effects[0])->texture, scene.TextureAt(0));
    EXPECT_EQ(static_cast<CScanlineNoiseEffect*>(list.effects[1])->texture, scene.TextureAt(1));
    EXPECT_EQ(static_cast<CImageQuadEffect*>(list.effects[2])->texture, scene.TextureAt(2));
    EXPECT_EQ(static_cast<CPlaneStarEffect*>(list.effects[4])->texture, scene.TextureAt(3));
    EXPECT_FLOAT_EQ(scene.StarAlpha(), 0.4f);
}

TEST_F(SceneFTest, BackgroundImageAdvancesOnEachTriggerAcrossEntries)
{
    // Two objects, as two entries: the image cycle continues from one to the
    // next because the state belongs to the class.
    TestSceneF first;
    TestSceneF second;
    first.MarkBackgroundImages();
    second.MarkBackgroundImages();

    int32_t referenceCount = 0;
    int32_t referenceIndex = 4;
    int triggers = 0;
    for (int frame = 0; frame < 60; ++frame) {
        TestSceneF& scene = frame < 30 ? first : second;
        const float start = frame < 30 ? kEntryStarts[0] : kEntryStarts[1];
        const float t = start + 0.5f + 1.7f * static_cast<float>(frame % 30);
        if (ReferenceFlickerUp(t)) {
            if (referenceCount == 0) {
                referenceIndex = referenceIndex == 7 ? 4 : referenceIndex + 1;
                ++triggers;
            }
            ++referenceCount;
        } else {
            referenceCount = 0;
        }
        scene.Render(t, start);
        ASSERT_EQ(SceneF::ClassBackground().imageIndex, referenceIndex) << "frame " << frame;
        ASSERT_EQ(SceneF::ClassBackground().flickerCount, referenceCount) << "frame " << frame;
        EXPECT_EQ(scene.BackgroundImage()->texture, 100 + referenceIndex);
    }
    EXPECT_GE(triggers, 8);  // about one per 9 ticks over 2 x 50 ticks
    EXPECT_EQ(first.BackgroundImage()->position[0], 3.0f);
    EXPECT_EQ(first.BackgroundImage()->position[2], -15.0f);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

TEST_F(SceneFTest, StarFadesByOneStepPerRenderedFrame)
{
    TestSceneF scene;
    const float start = kEntryStarts[0];
    scene.Render(start + 1.0f, start);
    EXPECT_FLOAT_EQ(scene.StarAlpha(), 0.395f);
    EXPECT_EQ(scene.Star()->color[3], scene.StarAlpha());
    EXPECT_FLOAT_EQ(scene.Star()->color[0], 0.4f);
    // Frames, not ticks: the same time again still steps.
    scene.Render(start + 1.0f, start);
    EXPECT_FLOAT_EQ(scene.StarAlpha(), 0.39f);
    for (int frame = 2; frame < 80; ++frame) {
        scene.Render(start + 1.0f + frame, start);
    }
    EXPECT_NEAR(scene.StarAlpha(), 0.0f, 1e-6f);
    scene.Render(start + 90.0f, start);
    EXPECT_EQ(scene.StarAlpha(), 0.0f);

    // Another object fades on its own, from the start.
    TestSceneF next;
    next.Render(kEntryStarts[1] + 1.0f, kEntryStarts[1]);
    EXPECT_FLOAT_EQ(next.StarAlpha(), 0.395f);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

TEST_F(SceneFTest, StarDrawsAtItsEntryDistanceTurnedWithTime)
{
    const float expectedZ[4] = {-300.0f, -250.0f, -300.0f, -250.0f};
    for (int entry = 0; entry < 4; ++entry) {
        TestSceneF scene;
        ProbeEffect* probe = scene.InstallStarProbe();
        const float start = kEntryStarts[entry];
        const float t = start + 40.0f;
        scene.Render(t, start);
        ASSERT_EQ(probe->draws, 1);
        EXPECT_EQ(probe->lastTime, t - start);

        // modelview = translate(0, -10, z) * rotate(0.3 t about Y)
        const double angle = static_cast<double>(t * 0.3f) * 3.14159265358979323846 / 180.0;
        EXPECT_NEAR(probe->modelview[0], std::cos(angle), 1e-4);
        EXPECT_NEAR(probe->modelview[8], std::sin(angle), 1e-4);
        EXPECT_NEAR(probe->modelview[5], 1.0, 1e-6);
        EXPECT_NEAR(probe->modelview[12], 0.0, 1e-4);
        EXPECT_NEAR(probe->modelview[13], -10.0, 1e-4);
        EXPECT_NEAR(probe->modelview[14], expectedZ[entry], 1e-3);

        // glFrustum(-1.6 a, 1.6 a, -1.6, 1.6, 1, 4000) with a = 800 / 600.
        const float a = 800.0f / 600.0f;
        EXPECT_NEAR(probe->projection[0], 1.0 / (1.6f * a), 1e-6);
        EXPECT_NEAR(probe->projection[5], 1.0 / 1.6f, 1e-6);
        EXPECT_NEAR(probe->projection[10], -4001.0 / 3999.0, 1e-6);
        EXPECT_NEAR(probe->projection[14], -8000.0 / 3999.0, 1e-5);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

TEST_F(SceneFTest, FrameEndsWithBlackLetterboxRows)
{
    TestSceneF scene;
    glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.Render(kEntryStarts[0] + 3.0f, kEntryStarts[0]);
    glFinish();
    const int width = context_->Width();
    const int height = context_->Height();
    const int bar = height / 6;  // 100 of 600 units
    for (int y = 0; y < height; ++y) {
        if (y >= bar && y < height - bar) {
            continue;
        }
        for (int x = 0; x < width; x += 7) {
            ASSERT_EQ(context_->PixelAt(x, y) >> 8, 0u) << "pixel " << x << ", " << y;
        }
    }
    // Between the bars the picture is not black.
    bool lit = false;
    for (int x = 0; x < width && !lit; ++x) {
        lit = (context_->PixelAt(x, height / 2) >> 8) != 0;
    }
    EXPECT_TRUE(lit);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

TEST_F(SceneFTest, OneFrameTakesOneRandomNumber)
{
    TestSceneF scene;
    srand(1);
    scene.Render(kEntryStarts[2] + 5.0f, kEntryStarts[2]);
    EXPECT_EQ(rand(), 18467);  // the noise strips took 41
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

TEST(SceneMusicPosition, IsZeroWithoutMusic)
{
    SetMusicPositionSource(nullptr);
    EXPECT_EQ(MusicPosition(), 0.0f);
}

}  // namespace
}  // namespace sunvale
