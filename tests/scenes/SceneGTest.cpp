// Scene G rendered offscreen with the textures of the generated data.rar:
// the finale by music position (background darkening from 250 s, the noise
// strips' source, the closing picture fading in from 256 s and out from
// 266 s, both previous times kept every frame) and the show's end without
// music.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "SceneTestContext.h"
#include "effects/CFadeEffect.h"
#include "scenes/SceneG.h"

namespace sunvale {
namespace {

constexpr float kStart = 13490;

// Scene G with a probe in place of its noise strips.
class ProbedSceneG : public Probed<SceneG> {
public:
    ProbedSceneG() : Probed({Scene::kNoiseEffect}) {}
    const CImageQuadEffect* Quad(int index) const { return Real<CImageQuadEffect>(index); }
    // The sources the strips were drawn over.
    std::vector<Effect*> Sources() const
    {
        std::vector<Effect*> out;
        for (const ProbeCall& call : calls) out.push_back(call.source);
        return out;
    }
};

class SceneGTest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (Ready()) SceneG::ClassState() = SceneG::AnimationState{};
    }
    // One frame at t (cleared first, as the main loop does) with the music at m.
    static void Frame(SceneG& scene, float t, float m)
    {
        PlayMusicAt(m);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.Render(t, kStart);
    }
    // Brightest channel between the letterbox bars.
    static int Brightest()
    {
        int most = 0;
        CountBetweenBars([&](uint32_t rgb) {
            most = std::max({most, int(rgb >> 16), int((rgb >> 8) & 0xFF), int(rgb & 0xFF)});
            return false;
        });
        return most;
    }
};

TEST_F(SceneGTest, LoadsNineTexturesAndACloudThatFadesAtTwelve)
{
    srand(8);
    SceneG scene;
    ExpectBuilt<CPlaneFanEffect, CScanlineNoiseEffect, CImageQuadEffect, CFadeEffect,
                CParticleCloudEffect, CImageQuadEffect>(scene, SceneG::kTextureCount);
    const auto* cloud = static_cast<CParticleCloudEffect*>(scene.Effects().effects[4]);
    ExpectOnlyCloudDrew(*cloud, scene.TextureAt(3), 8);
    EXPECT_EQ(cloud->fadeOutStart, 12.0f);
}

TEST_F(SceneGTest, WithoutMusicTheShowEndsOnTheOrdinaryScene)
{
    ProbedSceneG scene;
    SetMusicPositionSource(nullptr);  // no stream: 0.0
    for (float t : {13491.0f, 15000.0f, 16099.0f}) scene.Render(t, kStart);
    EXPECT_EQ(scene.Sources(), (std::vector<Effect*>(3, scene.Real(Scene::kFanEffect))));
    EXPECT_EQ(scene.Quad(Scene::kImageEffect)->texture, scene.TextureAt(2));
    EXPECT_EQ(scene.Quad(Scene::kBackgroundEffect)->color[0], 1.0f);
    EXPECT_EQ(SceneG::ClassState().closingLevel, 0.0f);
    EXPECT_EQ(SceneG::ClassState().previousBackgroundTime, 16099.0f);
    EXPECT_EQ(SceneG::ClassState().previousMainTime, 16099.0f);
}

// The background darkens by the frame step from 250 s; the strips move over
// the image at 255.2 s and stop at 256 s.
TEST_F(SceneGTest, BackgroundDarkensFrom250AndStripsMoveToTheImageAt255Point2)
{
    ProbedSceneG scene;
    const CImageQuadEffect* background = scene.Quad(Scene::kBackgroundEffect);
    Frame(scene, 14000, 249.99f);
    EXPECT_EQ(background->color[0], 1.0f);
    Frame(scene, 14010, 250.0f);  // 10 ticks since the last frame
    EXPECT_FLOAT_EQ(background->color[0], 0.95f);
    EXPECT_FLOAT_EQ(background->color[2], 0.95f);
    EXPECT_EQ(background->position[2], -15.0f);
    Frame(scene, 14400, 251.0f);
    EXPECT_EQ(background->color[1], 0.0f);  // clamped

    scene.calls.clear();
    Frame(scene, 15000, 255.19f);
    Frame(scene, 15001, 255.2f);
    Frame(scene, 15002, 255.99f);
    Frame(scene, 15003, 256.0f);
    Effect* const fan = scene.Real(Scene::kFanEffect);
    Effect* const image = scene.Real(Scene::kImageEffect);
    EXPECT_EQ(scene.Sources(), (std::vector<Effect*>{fan, image, image}));
}

TEST_F(SceneGTest, ClosingPictureFadesInFrom256AndOutFrom266)
{
    ProbedSceneG scene;
    const SceneG::AnimationState& state = SceneG::ClassState();
    // Past 255 s: the background has gone dark and the cloud has faded out
    // (local time past 1600 ticks: T past 16).
    Frame(scene, 15050, 255.5f);
    Frame(scene, 15099, 255.99f);
    EXPECT_EQ(state.backgroundLevel, 0.0f);
    EXPECT_EQ(state.closingLevel, 0.0f);

    Frame(scene, 15100, 256.0f);  // one tick's step: nearly black
    EXPECT_FLOAT_EQ(state.closingLevel, 0.005f);
    const CImageQuadEffect* image = scene.Quad(Scene::kImageEffect);
    EXPECT_EQ(image->texture, scene.TextureAt(SceneG::kClosingTexture));
    EXPECT_EQ(image->position[0], 0.0f);
    EXPECT_EQ(image->position[2], -50.0f);
    EXPECT_LE(Brightest(), 2);
    float t = 15100;
    for (int k = 0; k < 20; ++k) Frame(scene, t += 10, 256.0f + k * 0.17f);
    EXPECT_NEAR(state.closingLevel, 1.0f, 1e-4f);  // 200 ticks later
    EXPECT_GT(Brightest(), 100);
    Frame(scene, t += 10, 260);
    EXPECT_EQ(state.closingLevel, 1.0f);  // capped
    EXPECT_EQ(image->color[0], 1.0f);

    // From 266 s: this frame still adds (then clamps), the next ones fall.
    Frame(scene, t += 10, 266.0f);
    EXPECT_EQ(state.closingLevel, 1.0f);
    EXPECT_EQ(state.closingRate, -0.005f);
    Frame(scene, t += 10, 266.2f);
    EXPECT_FLOAT_EQ(state.closingLevel, 0.95f);
    for (int k = 0; k < 19; ++k) Frame(scene, t += 10, 266.4f + k * 0.17f);
    EXPECT_LE(t, 16100.0f);  // black before the show ends
    EXPECT_NEAR(state.closingLevel, 0.0f, 1e-4f);
    Frame(scene, t += 10, 270);
    EXPECT_EQ(state.closingLevel, 0.0f);  // clamped, not negative
    EXPECT_EQ(Brightest(), 0);
    EXPECT_EQ(scene.calls.size(), 2u);  // no strips after 256 s
}

}  // namespace
}  // namespace sunvale
