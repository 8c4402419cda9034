// Scene A rendered offscreen with the generated data.rar (the tests run in
// the build folder) and a music position the test sets: which effects each
// pass draws and in what order, the opening zoom, the head's slide, the
// picture table of the head pass, the letterbox bars, and the scene without
// its model.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <string>
#include <vector>

#include "SceneTestContext.h"
#include "app/ErrorBox.h"
#include "effects/CFadeEffect.h"
#include "effects/CLatticeDeformEffect.h"
#include "library/moxa/3d/Model.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"
#include "scenes/SceneA.h"
#include "support/ScopedTempDir.h"

namespace sunvale {
namespace {

using Xyz = std::array<float, 3>;
Xyz Vec(const float* v) { return {v[0], v[1], v[2]}; }

// Scene A with probes in place of all seven effects, each passing its calls on.
class ProbedSceneA : public Probed<SceneA> {
public:
    ProbedSceneA() : Probed({0, 1, 2, 3, 4, 5, 6}) {}
    // Renders the frame of tick t with the music at m; returns the calls.
    std::string Frame(float t, float m)
    {
        g_testMusic = m;
        calls.clear();
        Render(t, 0.0f);
        return Order();
    }
    const CImageQuadEffect* Picture() const { return Real<CImageQuadEffect>(kImageEffect); }
    const float* Head() const { return Real<CLatticeDeformEffect>(kHeadEffect)->position; }
};

class SceneATest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (Ready()) SceneA::ClassState() = SceneAState();
    }
};

TEST_F(SceneATest, LoadsFifteenTexturesAndTheHeadAndSetsUpSevenEffects)
{
    SceneA scene;
    ExpectBuilt<CPlaneFanEffect, CScanlineNoiseEffect, CImageQuadEffect, CFadeEffect, CFadeEffect,
                CImageQuadEffect, CLatticeDeformEffect>(scene, SceneA::kTextureCount);
    const auto* head = static_cast<CLatticeDeformEffect*>(scene.Effects().effects[6]);
    EXPECT_EQ(head->SecondTexture(), scene.TextureAt(9));
    ASSERT_NE(scene.HeadModel(), nullptr);
    EXPECT_EQ(head->GetModel(), scene.HeadModel());
    EXPECT_GT(head->VertexCount(), 3000);
    const auto* black = static_cast<CFadeEffect*>(scene.Effects().effects[4]);
    EXPECT_EQ(black->speed, -0.0025f);
    EXPECT_EQ(Vec(black->color), (Xyz{0, 0, 0}));
}

TEST_F(SceneATest, OpeningDrawsBackgroundFanPictureAndTheBlackLayerUpToSevenSeconds)
{
    ProbedSceneA scene;
    EXPECT_EQ(scene.Frame(100, 0), "D5 O1 D0 O3 D2 O4 D4");
    EXPECT_EQ(scene.Picture()->texture, scene.TextureAt(2));
    EXPECT_EQ(Vec(scene.Picture()->position), (Xyz{3, 0, -50}));
    EXPECT_EQ(Vec(scene.Picture()->scale), (Xyz{1, 1, 1}));
    EXPECT_EQ(Vec(scene.Picture()->color), (Xyz{1, 1, 1}));
    EXPECT_EQ(scene.Real<CImageQuadEffect>(5)->texture,
              scene.TextureAt(SceneA::ClassState().background.imageIndex));
    EXPECT_EQ(scene.Frame(200, 7.0f), "D5 O1 D0 O3 D2 O4 D4");
    EXPECT_EQ(scene.Frame(300, 7.001f), "D5 O1 D0 O3 D2");
}

TEST_F(SceneATest, OpeningPictureZoomsAndDarkensFromTwentyTwoAndAHalfSeconds)
{
    ProbedSceneA scene;
    scene.Frame(1300, 22.49f);
    EXPECT_EQ(scene.Picture()->scale[0], 1);
    scene.Frame(1310, 22.5f);  // 10 ticks since the previous opening frame
    EXPECT_EQ(Vec(scene.Picture()->scale), (Xyz{11, 11, 11}));
    EXPECT_FLOAT_EQ(scene.Picture()->color[0], 0.5f);
    scene.Frame(1314, 22.9f);
    EXPECT_EQ(scene.Picture()->scale[2], 15);
    EXPECT_FLOAT_EQ(scene.Picture()->color[1], 0.3f);
}

TEST_F(SceneATest, HeadPassSlidesTheHeadInFromMinusThirtyAndOutAfterFifty)
{
    ProbedSceneA scene;
    scene.Frame(1300, 22.9f);
    EXPECT_EQ(scene.Frame(1353, 23.0f), "D5 O1 D0 D6 O3 D2");
    EXPECT_EQ(Vec(scene.Head()), (Xyz{-30, 0, -15}));
    // glFrustum(-0.6 a, 0.6 a, -0.6, 0.6, 1, 4000), a = 800 / 600
    const Mat4 p = scene.Last(SceneA::kHeadEffect).projection;
    EXPECT_NEAR(p[0], 1.25, 1e-6);
    EXPECT_NEAR(p[5], 1 / 0.6, 1e-6);
    EXPECT_NEAR(p[14], -8000.0 / 3999, 1e-5);
    const std::pair<float, float> steps[] = {
        {1363, -21}, {1373, -12}, {1383, -5}, {2900, -5}};  // 0.9 a tick, stops at -5
    for (const auto& [t, x] : steps) {
        scene.Frame(t, 23.5f + (t - 1353) * 0.017f);
        EXPECT_NEAR(scene.Head()[0], x, 1e-4f) << t;
    }
    scene.Frame(2910, 50.0f);
    EXPECT_NEAR(scene.Head()[0], -14, 1e-4f);
    scene.Frame(2950, 50.4f);
    EXPECT_EQ(scene.Head()[0], -30);
    EXPECT_EQ(scene.Frame(2960, 50.5f), "D5");
}

// Pictures 11 to 14 one second each, each with its own zoom and fade from
// 10 ticks after the previous frame; 14 keeps the place it finds when the
// music jumps straight to it from picture 10.
TEST_F(SceneATest, HeadPassPicturesElevenToFourteenZoomAndFadeOneSecondEach)
{
    ProbedSceneA scene;
    scene.Frame(2700, 46.9f);
    EXPECT_EQ(scene.Picture()->texture, scene.TextureAt(10));
    EXPECT_EQ(Vec(scene.Picture()->position), (Xyz{12, -1, -50}));
    EXPECT_EQ(Vec(scene.Picture()->scale), (Xyz{1, 1, 1}));
    for (int image = 11; image <= 14; ++image) {
        const float t = 2710 + 12.0f * (image - 11);
        scene.Frame(t, 47.0f + (image - 11));
        EXPECT_EQ(scene.Picture()->texture, scene.TextureAt(image)) << image;
        EXPECT_EQ(Vec(scene.Picture()->position), (Xyz{0, -1, -50})) << image;
        EXPECT_EQ(Vec(scene.Picture()->scale), (Xyz{11, 11, 11})) << image;
        EXPECT_FLOAT_EQ(scene.Picture()->color[2], 0.5f) << image;
        scene.Frame(t + 2, 47.4f + (image - 11));  // the same image's pair goes on
        EXPECT_EQ(scene.Picture()->scale[0], 13) << image;
        EXPECT_FLOAT_EQ(scene.Picture()->color[0], 0.4f) << image;
    }
    EXPECT_EQ(SceneA::ClassState().imageIndex, 14);

    SceneA::ClassState() = SceneAState();
    ProbedSceneA jumping;
    jumping.Frame(2600, 46.0f);
    jumping.Frame(2900, 50.2f);  // straight from picture 10
    EXPECT_EQ(jumping.Picture()->texture, jumping.TextureAt(14));
    EXPECT_EQ(Vec(jumping.Picture()->position), (Xyz{12, -1, -50}));
    EXPECT_EQ(jumping.Picture()->scale[0], 301);
}

TEST_F(SceneATest, LetterboxBarsStayBlackInEveryPass)
{
    SceneA scene;
    const std::pair<float, float> frames[] = {{5, 0},        {600, 10.2f}, {1330, 22.6f},
                                              {1360, 23.1f}, {2000, 34},   {2790, 47.4f},
                                              {2945, 50.1f}, {2970, 50.5f}};
    for (const auto& [t, m] : frames) {
        SCOPED_TRACE(testing::Message() << "t " << t << " m " << m);
        PlayMusicAt(m);
        glClearColor(0.2f, 0.4f, 0.6f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.Render(t, 0);
        EXPECT_GT(CountBetweenBars(), 0);
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    glClearColor(0, 0, 0, 1);
}

int g_errorBoxes = 0;
void CountErrorBox(const char*) { ++g_errorBoxes; }

// An archive with the scene's fifteen textures and no model, in a folder of
// its own that becomes the working directory.
TEST_F(SceneATest, PlaysWithoutTheHeadWhenTheArchiveHasNoModel)
{
    const char* names[SceneA::kTextureCount] = {
        "tessel.jpg", "noize.jpg",   "zentrope2.jpg", "particle1.jpg", "budda1.png",
        "budda2.png", "budda3.png",  "budda4.png",    "env1.jpg",      "env2.jpg",
        "no.jpg",     "ashura1.jpg", "ashura2.jpg",   "ashura3.jpg",   "ashura4.jpg"};
    std::vector<RarPackEntry> entries;
    for (const char* name : names) {
        const std::string path = std::string("data/texture/") + name;
        unsigned char* data = nullptr;
        uint32_t size = 0;
        ASSERT_TRUE(RarExtract(&data, &size, path.c_str(), "data.rar", ""))
            << path << ": no data.rar in the folder";
        entries.push_back({path, std::vector<uint8_t>(data, data + size), 0});
        std::free(data);
    }
    const testsupport::ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    const std::string& folder = dir.Path();
    const std::string archive = folder + "/data.rar";
    std::string error;
    RarPackOptions options;
    options.level = 0;
    ASSERT_TRUE(WriteRarArchive(archive.c_str(), entries, options, &error)) << error;
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(folder.c_str()), 0);

    g_errorBoxes = 0;
    SetErrorBoxHandler(&CountErrorBox);
    {
        ProbedSceneA scene;
        EXPECT_EQ(scene.HeadModel(), nullptr);
        EXPECT_EQ(scene.Real<CLatticeDeformEffect>(SceneA::kHeadEffect)->GetModel(), nullptr);
        for (int i = 0; i < SceneA::kTextureCount; ++i) EXPECT_GT(scene.TextureAt(i), 0) << i;
        for (const auto& [t, m] : {std::pair<float, float>{100, 0}, {1400, 24}, {2000, 34}}) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            EXPECT_EQ(scene.Frame(t, m).size(), t < 1000 ? 20u : 17u);  // 7 or 6 calls
            EXPECT_GT(CountBetweenBars(), 0);
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        }
    }
    SetErrorBoxHandler(nullptr);
    EXPECT_EQ(g_errorBoxes, 0);
    EXPECT_EQ(chdir(previous), 0);
}

}  // namespace
}  // namespace sunvale
