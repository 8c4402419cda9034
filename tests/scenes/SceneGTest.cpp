// Scene G rendered offscreen with the textures of the generated data.rar:
// the finale by music position (background darkening from 250 s, the noise
// strips' source, the closing picture fading in from 256 s and out from
// 266 s, both previous times kept every frame) and the show's end without
// music.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "SceneTestContext.h"
#include "app/DisplaySettings.h"
#include "app/MusicPosition.h"
#include "app/OffscreenContext.h"
#include "app/Random.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CParticleCloudEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"
#include "scenes/SceneG.h"

namespace sunvale {
namespace {

constexpr float kStart = 13490;

float g_music = 0;
float TestMusic() { return g_music; }

// Scene G with a probe in place of its noise strips: it records the source
// of each DrawOver and draws that source as the strips would.
class ProbedSceneG : public SceneG, Effect {
public:
    ProbedSceneG() : noise_(effects.effects[kNoiseEffect]) { effects.effects[kNoiseEffect] = this; }
    ~ProbedSceneG() override { effects.effects[kNoiseEffect] = noise_; }  // deleted with the scene
    void Draw(float) override {}
    void DrawOver(float time, Effect* source) override
    {
        sources.push_back(source);
        if (source != nullptr) source->Draw(time);
    }
    const CImageQuadEffect* Image() const
    {
        return static_cast<CImageQuadEffect*>(effects.effects[kImageEffect]);
    }
    const CImageQuadEffect* Background() const
    {
        return static_cast<CImageQuadEffect*>(effects.effects[kBackgroundEffect]);
    }
    std::vector<Effect*> sources;

private:
    Effect* noise_;
};

class SceneGTest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (!Ready()) return;
        SceneG::ClassState() = SceneG::AnimationState{};
        SetMusicPositionSource(&TestMusic);
        g_music = 0;
    }
    // One frame at t (cleared first, as the main loop does) with the music at m.
    static void Frame(SceneG& scene, float t, float m)
    {
        g_music = m;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.Render(t, kStart);
    }
    // Brightest channel between the letterbox bars.
    static int Brightest()
    {
        int most = 0;
        const int width = context_->Width(), height = context_->Height();
        for (int y = height / 6; y < height - height / 6; ++y) {
            for (int x = 0; x < width; ++x) {
                const uint32_t p = context_->PixelAt(x, y);
                for (int shift : {8, 16, 24}) most = std::max(most, int((p >> shift) & 0xFF));
            }
        }
        return most;
    }
};

TEST_F(SceneGTest, LoadsNineTexturesAndACloudThatFadesAtTwelve)
{
    srand(8);
    SceneG scene;
    for (int i = 0; i < SceneG::kTextureCount; ++i) EXPECT_GT(scene.TextureAt(i), 0) << i;
    const EffectList& list = scene.Effects();
    ASSERT_EQ(list.count, 6);
    const auto* cloud = dynamic_cast<CParticleCloudEffect*>(list.effects[4]);
    ASSERT_TRUE(dynamic_cast<CPlaneFanEffect*>(list.effects[0]) &&
                dynamic_cast<CScanlineNoiseEffect*>(list.effects[1]) &&
                dynamic_cast<CImageQuadEffect*>(list.effects[2]) &&
                dynamic_cast<CFadeEffect*>(list.effects[3]) && cloud &&
                dynamic_cast<CImageQuadEffect*>(list.effects[5]));
    EXPECT_EQ(cloud->fadeOutStart, 12.0f);
    int particles = 0;
    for (const ParticleGroup& group : cloud->groups) {
        EXPECT_EQ(group.texture, scene.TextureAt(3));
        particles += group.count;
    }
    const int next = rand();
    srand(8);
    for (int i = 0; i < 16 + 3 * particles; ++i) rand();
    EXPECT_EQ(rand(), next);
}

TEST_F(SceneGTest, WithoutMusicTheShowEndsOnTheOrdinaryScene)
{
    ProbedSceneG scene;
    SetMusicPositionSource(nullptr);  // no stream: 0.0
    for (float t : {13491.0f, 15000.0f, 16099.0f}) scene.Render(t, kStart);
    EXPECT_EQ(scene.sources, (std::vector<Effect*>(3, scene.Effects().effects[0])));
    EXPECT_EQ(scene.Image()->texture, scene.TextureAt(2));
    EXPECT_EQ(scene.Background()->color[0], 1.0f);
    EXPECT_EQ(SceneG::ClassState().closingLevel, 0.0f);
    EXPECT_EQ(SceneG::ClassState().previousBackgroundTime, 16099.0f);
    EXPECT_EQ(SceneG::ClassState().previousMainTime, 16099.0f);
}

TEST_F(SceneGTest, BackgroundDarkensFrom250SecondsByTheFrameStep)
{
    ProbedSceneG scene;
    Frame(scene, 14000, 249.99f);
    EXPECT_EQ(scene.Background()->color[0], 1.0f);
    Frame(scene, 14010, 250.0f);  // 10 ticks since the last frame
    EXPECT_FLOAT_EQ(scene.Background()->color[0], 0.95f);
    EXPECT_FLOAT_EQ(scene.Background()->color[2], 0.95f);
    EXPECT_EQ(scene.Background()->position[2], -15.0f);
    Frame(scene, 14400, 251.0f);
    EXPECT_EQ(scene.Background()->color[1], 0.0f);  // clamped
}

TEST_F(SceneGTest, NoiseStripsMoveToTheImageAt255Point2AndStopAt256)
{
    ProbedSceneG scene;
    Frame(scene, 15000, 255.19f);
    Frame(scene, 15001, 255.2f);
    Frame(scene, 15002, 255.99f);
    Frame(scene, 15003, 256.0f);
    const EffectList& list = scene.Effects();
    EXPECT_EQ(scene.sources,
              (std::vector<Effect*>{list.effects[0], list.effects[2], list.effects[2]}));
}

TEST_F(SceneGTest, ClosingPictureFadesInFrom256AndOutFrom266)
{
    ProbedSceneG scene;
    // Past 255 s: the background has gone dark and the cloud has faded out
    // (local time past 1600 ticks: T past 16).
    Frame(scene, 15050, 255.5f);
    Frame(scene, 15099, 255.99f);
    EXPECT_EQ(SceneG::ClassState().backgroundLevel, 0.0f);
    EXPECT_EQ(SceneG::ClassState().closingLevel, 0.0f);

    Frame(scene, 15100, 256.0f);  // one tick's step: nearly black
    EXPECT_FLOAT_EQ(SceneG::ClassState().closingLevel, 0.005f);
    EXPECT_EQ(scene.Image()->texture, scene.TextureAt(SceneG::kClosingTexture));
    EXPECT_EQ(scene.Image()->position[0], 0.0f);
    EXPECT_EQ(scene.Image()->position[2], -50.0f);
    EXPECT_LE(Brightest(), 2);
    float t = 15100;
    for (int k = 0; k < 20; ++k) Frame(scene, t += 10, 256.0f + k * 0.17f);
    EXPECT_NEAR(SceneG::ClassState().closingLevel, 1.0f, 1e-4f);  // 200 ticks later
    EXPECT_GT(Brightest(), 100);
    Frame(scene, t += 10, 260);
    EXPECT_EQ(SceneG::ClassState().closingLevel, 1.0f);  // capped
    EXPECT_EQ(scene.Image()->color[0], 1.0f);

    // From 266 s: this frame still adds (then clamps), the next ones fall.
    Frame(scene, t += 10, 266.0f);
    EXPECT_EQ(SceneG::ClassState().closingLevel, 1.0f);
    EXPECT_EQ(SceneG::ClassState().closingRate, -0.005f);
    Frame(scene, t += 10, 266.2f);
    EXPECT_FLOAT_EQ(SceneG::ClassState().closingLevel, 0.95f);
    for (int k = 0; k < 19; ++k) Frame(scene, t += 10, 266.4f + k * 0.17f);
    EXPECT_LE(t, 16100.0f);  // black before the show ends
    EXPECT_NEAR(SceneG::ClassState().closingLevel, 0.0f, 1e-4f);
    Frame(scene, t += 10, 270);
    EXPECT_EQ(SceneG::ClassState().closingLevel, 0.0f);  // clamped, not negative
    EXPECT_EQ(Brightest(), 0);
    EXPECT_EQ(scene.sources.size(), 2u);  // no strips after 256 s
}

}  // namespace
}  // namespace sunvale
