// Scene H rendered offscreen with the textures of the generated data.rar
// (the tests run in the build folder): its set-up and the generator after
// it, the box field drawn first under its own frustum, the background image
// cycle 3, 4, 5 across both entries, the dimming from 250 s of music, the
// closing image and fade, and the frame's pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "SceneTestContext.h"
#include "effects/CBoxFieldEffect.h"
#include "effects/CFadeEffect.h"
#include "scenes/SceneH.h"

namespace sunvale {
namespace {

constexpr float kEntryStarts[2] = {11981.25f, 12386.25f};

CImageQuadEffect* QuadAt(const SceneH& scene, int index)
{
    return static_cast<CImageQuadEffect*>(scene.Effects().effects[index]);
}

class SceneHTest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (Ready()) SceneH::ClassState() = SceneH::kInitialState;
    }
};

// The box field reseeds the generator with its first number modulo 81 and
// takes a thousand more; nothing else in the scene draws at construction,
// and a frame takes one number (the noise strips). Each frame sets the
// closing image at (3, 0, -50) and the fade's dark pulse.
TEST_F(SceneHTest, BuildsSixEffectsAndOnlyTheBoxFieldDraws)
{
    srand(1);  // first number 41: reseeded with 41
    SceneH scene;
    EXPECT_EQ(rand(), 9432);
    ExpectBuilt<CPlaneFanEffect, CScanlineNoiseEffect, CImageQuadEffect, CFadeEffect,
                CBoxFieldEffect, CImageQuadEffect>(scene, SceneH::kTextureCount);
    srand(1);
    scene.Render(kEntryStarts[0] + 5, kEntryStarts[0]);
    EXPECT_EQ(rand(), 18467);
    const CImageQuadEffect* image = QuadAt(scene, Scene::kImageEffect);
    EXPECT_EQ((std::array<float, 3>{image->position[0], image->position[1], image->position[2]}),
              (std::array<float, 3>{3, 0, -50}));
    EXPECT_EQ(image->texture, scene.TextureAt(2));
    const auto* fade = static_cast<CFadeEffect*>(scene.Effects().effects[Scene::kFadeEffect]);
    EXPECT_EQ(fade->speed, 0.25f);
    EXPECT_EQ((std::array<float, 3>{fade->color[0], fade->color[1], fade->color[2]}),
              (std::array<float, 3>{0, 0, 0}));
    EXPECT_EQ(fade->strongPulse, 0);
}

// On a trigger frame the image index moves after the field drew.
TEST_F(SceneHTest, BoxFieldDrawsFirstUnderItsOwnFrustumWithTheShowTime)
{
    for (const auto& [width, height] : {std::pair<uint32_t, uint32_t>{800, 600}, {1280, 720}}) {
        SetMode(width, height);
        SceneH::ClassState() = SceneH::kInitialState;
        Probed<SceneH> scene({SceneH::kBoxFieldEffect, Scene::kBackgroundEffect});
        glMatrixMode(GL_MODELVIEW);
        glTranslatef(1, 2, 3);
        const float t = FlickerUp(1337);
        scene.Render(t, kEntryStarts[0]);
        ASSERT_EQ(scene.Order(), "D4 D5");
        EXPECT_EQ(scene.calls[0].time, t);
        EXPECT_EQ(scene.calls[1].time, t);
        EXPECT_EQ(SceneH::ClassState().background.imageIndex, 4);
        for (int i = 0; i < 16; ++i)
            EXPECT_EQ(scene.calls[0].modelview[i], i % 5 == 0 ? 1 : 0) << i;
        // glFrustum(-0.5 a, 0.5 a, -0.5, 0.5, 1, 4000), a = width / height
        const Mat4& projection = scene.calls[0].projection;
        EXPECT_NEAR(projection[0], 1 / (0.5 * width / height), 1e-6) << width;
        EXPECT_NEAR(projection[5], 2, 1e-6);
        EXPECT_NEAR(projection[10], -4001.0 / 3999, 1e-6);
        EXPECT_NEAR(projection[14], -8000.0 / 3999, 1e-5);
    }
}

// Two entries share the class's cycle: up triggers, still up does not, and
// it wraps from 5 to 3 (texture 6 never shows), going on into the next entry.
TEST_F(SceneHTest, BackgroundImageCyclesThreeFourFiveAcrossBothEntries)
{
    SceneH first, second;
    const float a = kEntryStarts[0], b = kEntryStarts[1];
    ExpectBackgroundCycle({{&first, a, FlickerUp(1337), 4},
                           {&first, a, FlickerUp(1337), 4},
                           {&first, a, FlickerDown(1337), 4},
                           {&first, a, FlickerUp(1338), 5},
                           {&first, a, FlickerDown(1338), 5},
                           {&first, a, FlickerUp(1339), 3},
                           {&second, b, FlickerUp(1382), 3},
                           {&second, b, FlickerDown(1382), 3},
                           {&second, b, FlickerUp(1383), 4}},
                          &SceneH::ClassState().background.imageIndex);
}

// The previous-frame time starts at 0: a class whose first frame already
// comes after 250 s of music loses its background in that one frame.
TEST_F(SceneHTest, FadeLevelDropsByPoint005PerTickFrom250Seconds)
{
    EXPECT_EQ(SceneH::NextFadeLevel(1, 249.999f, 10), 1.0f);
    EXPECT_EQ(SceneH::NextFadeLevel(1, 250, 10), 1 - 10 * 0.005f);
    EXPECT_EQ(SceneH::NextFadeLevel(0.01f, 300, 10), 0.0f);
    EXPECT_EQ(SceneH::NextFadeLevel(1, 250, -10), 1.0f);  // kept within 0 .. 1

    SceneH first, second;
    QuadAt(first, Scene::kBackgroundEffect)->color[3] = 0.5f;
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
        PlayMusicAt(f.music);
        f.scene->Render(f.t, f.scene == &first ? start : kEntryStarts[1]);
        EXPECT_FLOAT_EQ(SceneH::ClassState().fadeLevel, f.level) << "t " << f.t;
        EXPECT_EQ(SceneH::ClassState().previousTime, f.t);
        const CImageQuadEffect* quad = QuadAt(*f.scene, Scene::kBackgroundEffect);
        for (int c = 0; c < 3; ++c) EXPECT_FLOAT_EQ(quad->color[c], f.level) << "t " << f.t;
        if (f.scene == &first) {
            EXPECT_EQ(quad->color[3], 0.5f);
        }
    }

    SceneH::ClassState() = SceneH::kInitialState;
    PlayMusicAt(250);
    second.Render(kEntryStarts[1] + 2, kEntryStarts[1]);
    EXPECT_EQ(SceneH::ClassState().fadeLevel, 0.0f);
}

TEST_F(SceneHTest, FrameShowsGreyFieldBetweenBlackLetterboxRows)
{
    SceneH scene;
    glClearColor(0.2f, 0.4f, 0.6f, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.Render(kEntryStarts[0] + 3, kEntryStarts[0]);
    EXPECT_GT(CountBetweenBars(), 160 / 3 * 80 / 2);  // mostly the field
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    const Mat4 clear = GetFloats(GL_COLOR_CLEAR_VALUE);  // the next frame's: the field's grey
    EXPECT_FLOAT_EQ(clear[0], 0.5f);
    EXPECT_FLOAT_EQ(clear[3], 0.1f);
    glClearColor(0, 0, 0, 1);
}

}  // namespace
}  // namespace sunvale
