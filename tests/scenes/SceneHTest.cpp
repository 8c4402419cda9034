// Scene H rendered offscreen with the textures of the generated data.rar
// (the tests run in the build folder): its textures and effects, the
// generator after construction, the box field drawn first under its own
// frustum, the background image cycle 3, 4, 5 across both entries, the
// dimming from 250 s of music, the fields of the closing image and fade, and
// the letterbox bars.
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
#include "effects/CBoxFieldEffect.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"
#include "scenes/SceneH.h"

namespace sunvale {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kEntryStarts[2] = {11981.25f, 12386.25f};

float g_music = 0.0f;
float FakeMusic() { return g_music; }

// Ticks where the flicker is up (sin(0.7 t) = 1) or down (-1).
float Up(int k) { return static_cast<float>((kPi / 2 + 2 * kPi * k) / 0.7); }
float Down(int k) { return Up(k) + static_cast<float>(kPi / 0.7); }

CImageQuadEffect* QuadAt(const SceneH& scene, int index)
{
    return static_cast<CImageQuadEffect*>(scene.Effects().effects[index]);
}

// Scene H with a probe in place of its box field: it records the time, the
// matrices and the class's image index in force when the scene draws it.
class ProbedSceneH : public SceneH, Effect {
public:
    ProbedSceneH() : field_(effects.effects[kBoxFieldEffect])
    {
        effects.effects[kBoxFieldEffect] = this;
    }
    ~ProbedSceneH() override
    {
        effects.effects[kBoxFieldEffect] = field_;
    }  // deleted with the scene
    void Draw(float time) override
    {
        times.push_back(time);
        imageIndices.push_back(ClassState().background.imageIndex);
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
    }
    std::vector<float> times;
    std::vector<int32_t> imageIndices;
    float modelview[16] = {}, projection[16] = {};

private:
    Effect* field_;
};

class SceneHTest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (!Ready()) return;
        SceneH::ClassState() = SceneH::kInitialState;
        g_music = 0.0f;
        SetMusicPositionSource(&FakeMusic);
    }
};

TEST_F(SceneHTest, LoadsSevenTexturesAndBuildsSixEffectsInOrder)
{
    SceneH scene;
    EXPECT_EQ(scene.TextureCount(), SceneH::kTextureCount);
    for (int i = 0; i < SceneH::kTextureCount; ++i) EXPECT_GT(scene.TextureAt(i), 0) << i;
    const EffectList& list = scene.Effects();
    const auto* fan = dynamic_cast<CPlaneFanEffect*>(list.effects[0]);
    const auto* noise = dynamic_cast<CScanlineNoiseEffect*>(list.effects[1]);
    const auto* image = dynamic_cast<CImageQuadEffect*>(list.effects[2]);
    ASSERT_TRUE(fan && noise && image && dynamic_cast<CFadeEffect*>(list.effects[3]) &&
                dynamic_cast<CBoxFieldEffect*>(list.effects[4]) &&
                dynamic_cast<CImageQuadEffect*>(list.effects[5]) && list.count == 6);
    EXPECT_EQ((std::array<int32_t, 3>{fan->texture, noise->texture, image->texture}),
              (std::array<int32_t, 3>{scene.TextureAt(0), scene.TextureAt(1), scene.TextureAt(2)}));
}

// The box field reseeds the generator with its first number modulo 81 and
// takes a thousand more; nothing else in the scene draws at construction,
// and a frame takes one number (the noise strips).
TEST_F(SceneHTest, GeneratorFollowsTheBoxFieldsReseed)
{
    srand(1);  // first number 41: reseeded with 41
    SceneH scene;
    EXPECT_EQ(rand(), 9432);
    srand(1);
    SceneH again;
    again.Render(kEntryStarts[0] + 5, kEntryStarts[0]);
    EXPECT_EQ(rand(), 30541);
}

TEST_F(SceneHTest, BoxFieldDrawsFirstUnderItsOwnFrustumWithTheShowTime)
{
    for (const auto& [width, height] : {std::pair<uint32_t, uint32_t>{800, 600}, {1280, 720}}) {
        g_displaySettings.mode.pelsWidth = width, g_displaySettings.mode.pelsHeight = height;
        SceneH::ClassState() = SceneH::kInitialState;
        ProbedSceneH scene;
        const float t = Up(1337);  // a trigger frame: the index moves after the field drew
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(1, 2, 3);
        scene.Render(t, kEntryStarts[0]);
        ASSERT_EQ(scene.times, std::vector<float>{t});
        EXPECT_EQ(scene.imageIndices, std::vector<int32_t>{3});
        EXPECT_EQ(SceneH::ClassState().background.imageIndex, 4);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(scene.modelview[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
        // glFrustum(-0.5 a, 0.5 a, -0.5, 0.5, 1, 4000), a = width / height
        const double aspect = static_cast<double>(width) / height;
        EXPECT_NEAR(scene.projection[0], 1 / (0.5 * aspect), 1e-6) << width;
        EXPECT_NEAR(scene.projection[5], 2, 1e-6);
        EXPECT_NEAR(scene.projection[10], -4001.0 / 3999, 1e-6);
        EXPECT_NEAR(scene.projection[14], -8000.0 / 3999, 1e-5);
    }
}

TEST_F(SceneHTest, BackgroundImageCyclesThreeFourFiveAcrossBothEntries)
{
    SceneH first, second;  // two entries share the class's cycle
    struct Frame {
        SceneH* scene;
        float start, t;
        int32_t image;
    };
    const Frame frames[] = {
        {&first, kEntryStarts[0], Up(1337), 4},  // the class's first frame is up: triggers
        {&first, kEntryStarts[0], Up(1337), 4},  // still up
        {&first, kEntryStarts[0], Down(1337), 4},
        {&first, kEntryStarts[0], Up(1338), 5},
        {&first, kEntryStarts[0], Down(1338), 5},
        {&first, kEntryStarts[0], Up(1339), 3},   // wraps round: texture 6 never shows
        {&second, kEntryStarts[1], Up(1382), 3},  // the run goes on into the next entry
        {&second, kEntryStarts[1], Down(1382), 3},
        {&second, kEntryStarts[1], Up(1383), 4},
    };
    for (const Frame& f : frames) {
        f.scene->Render(f.t, f.start);
        EXPECT_EQ(SceneH::ClassState().background.imageIndex, f.image) << "t " << f.t;
        const CImageQuadEffect* background = QuadAt(*f.scene, Scene::kBackgroundEffect);
        EXPECT_EQ(background->texture, f.scene->TextureAt(f.image)) << "t " << f.t;
        EXPECT_NE(background->texture, f.scene->TextureAt(6));
        EXPECT_EQ((std::array<float, 3>{background->position[0], background->position[1],
                                        background->position[2]}),
                  (std::array<float, 3>{3, 0, -15}));
    }
}

TEST_F(SceneHTest, FadeLevelDropsByPoint005PerTickFrom250Seconds)
{
    EXPECT_EQ(SceneH::NextFadeLevel(1, 249.999f, 10), 1.0f);
    EXPECT_EQ(SceneH::NextFadeLevel(1, 250, 10), 1 - 10 * 0.005f);
    EXPECT_EQ(SceneH::NextFadeLevel(0.01f, 300, 10), 0.0f);
    EXPECT_EQ(SceneH::NextFadeLevel(1, 250, -10), 1.0f);  // kept within 0 .. 1

    SceneH first, second;
    CImageQuadEffect* background = QuadAt(first, Scene::kBackgroundEffect);
    background->color[3] = 0.5f;
    struct Frame {
        SceneH* scene;
        float t, music, level;
    };
    const float start = kEntryStarts[0];
    const Frame frames[] = {
        {&first, start + 10, 249.99f, 1},  // below 250 s: full brightness
        {&first, start + 20, 250, 1 - 10 * 0.005f},
        {&first, start + 50, 251, (1 - 10 * 0.005f) - 30 * 0.005f},
        {&first, start + 300, 252, 0},  // black, and stays so
        {&first, start + 301, 200, 0},
        {&second, kEntryStarts[1] + 1, 255, 0},
    };
    for (const Frame& f : frames) {
        g_music = f.music;
        f.scene->Render(f.t, f.scene == &first ? start : kEntryStarts[1]);
        EXPECT_FLOAT_EQ(SceneH::ClassState().fadeLevel, f.level) << "t " << f.t;
        EXPECT_EQ(SceneH::ClassState().previousTime, f.t);
        const CImageQuadEffect* quad = QuadAt(*f.scene, Scene::kBackgroundEffect);
        if (f.scene == &first) {
            for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(quad->color[c], f.level) << "t " << f.t;
            EXPECT_EQ(quad->color[3], 0.5f);
        }
    }
    // The second object's quad took the level on its own first frame.
    EXPECT_EQ(QuadAt(second, Scene::kBackgroundEffect)->color[0], 0.0f);
}

// The previous-frame time starts at 0: a class whose first frame already
// comes after 250 s of music loses its background in that one frame.
TEST_F(SceneHTest, FirstFrameAfter250SecondsDimsByTheWholeTime)
{
    SceneH scene;
    g_music = 250;
    scene.Render(kEntryStarts[0] + 1, kEntryStarts[0]);
    EXPECT_EQ(SceneH::ClassState().fadeLevel, 0.0f);
}

TEST_F(SceneHTest, ClosingImageAndDarkPulseAreSetEachFrame)
{
    SceneH scene;
    const CImageQuadEffect* image = QuadAt(scene, Scene::kImageEffect);
    const auto* fade = static_cast<CFadeEffect*>(scene.Effects().effects[Scene::kFadeEffect]);
    scene.Render(kEntryStarts[0] + 7, kEntryStarts[0]);
    EXPECT_EQ((std::array<float, 3>{image->position[0], image->position[1], image->position[2]}),
              (std::array<float, 3>{3, 0, -50}));
    EXPECT_EQ(image->texture, scene.TextureAt(2));
    EXPECT_EQ(fade->speed, 0.25f);
    EXPECT_EQ((std::array<float, 3>{fade->color[0], fade->color[1], fade->color[2]}),
              (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(fade->strongPulse, 0);
}

TEST_F(SceneHTest, FrameShowsGreyFieldBetweenBlackLetterboxRows)
{
    SceneH scene;
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
    GLfloat clear[4] = {};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);  // the next frame's clear is the field's grey
    EXPECT_FLOAT_EQ(clear[0], 0.5f);
    EXPECT_FLOAT_EQ(clear[3], 0.1f);
    glClearColor(0, 0, 0, 1);
}

}  // namespace
}  // namespace sunvale
