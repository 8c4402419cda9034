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
#include <memory>
#include <string>
#include <vector>

#include "SceneTestContext.h"
#include "app/DisplaySettings.h"
#include "app/ErrorBox.h"
#include "app/MusicPosition.h"
#include "app/OffscreenContext.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CLatticeDeformEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CScanlineNoiseEffect.h"
#include "library/moxa/3d/Model.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"
#include "scenes/SceneA.h"
#include "support/ScopedTempDir.h"

namespace sunvale {
namespace {

float g_music = 0.0f;
float TestMusic() { return g_music; }

// What one draw call of an effect saw.
struct Call {
    std::string what;  // "D<index>" for Draw, "O<index>" for DrawOver
    int32_t texture = 0;
    std::array<float, 3> position{}, scale{}, rgb{};
    float projection[16] = {};
};

// Stands in the effect list for one effect: records each call, then passes
// it on to the effect it replaces.
class Recorder : public Effect {
public:
    Recorder(int index, Effect* inner, std::vector<Call>* log)
        : index_(index), inner_(inner), log_(log)
    {}
    void Draw(float t) override
    {
        Call call{"D" + std::to_string(index_)};
        if (auto* quad = dynamic_cast<CImageQuadEffect*>(inner_)) {
            call.texture = quad->texture;
            for (int c = 0; c < 3; ++c) {
                call.position[c] = quad->position[c];
                call.scale[c] = quad->scale[c];
                call.rgb[c] = quad->color[c];
            }
        } else if (auto* head = dynamic_cast<CLatticeDeformEffect*>(inner_)) {
            for (int c = 0; c < 3; ++c) call.position[c] = head->position[c];
        }
        glGetFloatv(GL_PROJECTION_MATRIX, call.projection);
        log_->push_back(call);
        inner_->Draw(t);
    }
    void DrawOver(float t, Effect* source) override
    {
        log_->push_back({"O" + std::to_string(index_)});
        inner_->DrawOver(t, source);
    }
    void SetTextures(int32_t first, int32_t second) override { inner_->SetTextures(first, second); }
    void SetTexture(int32_t texture) override { inner_->SetTexture(texture); }
    void SetModel(Model* model) override { inner_->SetModel(model); }

private:
    int index_;
    Effect* inner_;
    std::vector<Call>* log_;
};

class ProbedSceneA : public SceneA {
public:
    ProbedSceneA()
    {
        for (int i = 0; i < 7; ++i) {
            original_[i] = effects.effects[i];
            recorders_[i] = std::make_unique<Recorder>(i, original_[i], &log);
            effects.effects[i] = recorders_[i].get();
        }
    }
    ~ProbedSceneA() override
    {
        for (int i = 0; i < 7; ++i) effects.effects[i] = original_[i];  // deleted with the scene
    }
    // Renders the frame of tick t with the music at m; returns the calls.
    std::vector<Call> Frame(float t, float m)
    {
        g_music = m;
        log.clear();
        Render(t, 0.0f);
        return log;
    }
    Effect* Original(int i) const { return original_[i]; }
    std::vector<Call> log;

private:
    Effect* original_[7] = {};
    std::unique_ptr<Recorder> recorders_[7];
};

std::vector<std::string> Names(const std::vector<Call>& calls)
{
    std::vector<std::string> out;
    for (const Call& call : calls) out.push_back(call.what);
    return out;
}

const Call& Find(const std::vector<Call>& calls, const std::string& what)
{
    static const Call kNone{"none"};
    for (const Call& call : calls)
        if (call.what == what) return call;
    ADD_FAILURE() << "no call " << what;
    return kNone;
}

class SceneATest : public SceneTestContext<> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (!Ready()) return;
        SceneA::ClassState() = SceneAState();
        SetMusicPositionSource(&TestMusic);
    }

    // The bars (top and bottom sixth) are black; something is lit between.
    static void ExpectFramed()
    {
        const int width = context_->Width(), height = context_->Height(), bar = height / 6;
        int lit = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; x += 3) {
                const uint32_t rgb = context_->PixelAt(x, y) >> 8;
                if (y < bar || y >= height - bar) {
                    ASSERT_EQ(rgb, 0u) << "bar pixel " << x << ", " << y;
                } else {
                    lit += rgb != 0;
                }
            }
        EXPECT_GT(lit, 0);
    }
};

TEST_F(SceneATest, LoadsFifteenTexturesAndTheHeadAndSetsUpSevenEffects)
{
    SceneA scene;
    for (int i = 0; i < SceneA::kTextureCount; ++i) EXPECT_GT(scene.TextureAt(i), 0) << i;
    const EffectList& list = scene.Effects();
    ASSERT_EQ(list.count, 7);
    const auto* fan = dynamic_cast<CPlaneFanEffect*>(list.effects[0]);
    const auto* noise = dynamic_cast<CScanlineNoiseEffect*>(list.effects[1]);
    const auto* image = dynamic_cast<CImageQuadEffect*>(list.effects[2]);
    const auto* black = dynamic_cast<CFadeEffect*>(list.effects[4]);
    const auto* head = dynamic_cast<CLatticeDeformEffect*>(list.effects[6]);
    ASSERT_TRUE(fan && noise && image && dynamic_cast<CFadeEffect*>(list.effects[3]) && black &&
                dynamic_cast<CImageQuadEffect*>(list.effects[5]) && head);
    EXPECT_EQ((std::array<int32_t, 3>{fan->texture, noise->texture, image->texture}),
              (std::array<int32_t, 3>{scene.TextureAt(0), scene.TextureAt(1), scene.TextureAt(2)}));
    EXPECT_EQ(head->SecondTexture(), scene.TextureAt(9));
    ASSERT_NE(scene.HeadModel(), nullptr);
    EXPECT_EQ(head->GetModel(), scene.HeadModel());
    EXPECT_GT(head->VertexCount(), 3000);
    EXPECT_EQ(black->speed, -0.0025f);
    EXPECT_EQ((std::array<float, 3>{black->color[0], black->color[1], black->color[2]}),
              (std::array<float, 3>{0, 0, 0}));
}

TEST_F(SceneATest, OpeningDrawsBackgroundFanPictureAndTheBlackLayerUpToSevenSeconds)
{
    ProbedSceneA scene;
    const std::vector<std::string> withLayer = {"D5", "O1", "D0", "O3", "D2", "O4", "D4"};
    EXPECT_EQ(Names(scene.Frame(100, 0)), withLayer);
    const Call& picture = Find(scene.log, "D2");
    EXPECT_EQ(picture.texture, scene.TextureAt(2));
    EXPECT_EQ(picture.position, (std::array<float, 3>{3, 0, -50}));
    EXPECT_EQ(picture.scale, (std::array<float, 3>{1, 1, 1}));
    EXPECT_EQ(picture.rgb, (std::array<float, 3>{1, 1, 1}));
    EXPECT_EQ(Find(scene.log, "D5").texture,
              scene.TextureAt(SceneA::ClassState().background.imageIndex));
    EXPECT_EQ(Names(scene.Frame(200, 7.0f)), withLayer);
    EXPECT_EQ(Names(scene.Frame(300, 7.001f)),
              (std::vector<std::string>{"D5", "O1", "D0", "O3", "D2"}));
}

TEST_F(SceneATest, OpeningPictureZoomsAndDarkensFromTwentyTwoAndAHalfSeconds)
{
    ProbedSceneA scene;
    scene.Frame(1300, 22.49f);
    EXPECT_EQ(Find(scene.log, "D2").scale[0], 1);
    scene.Frame(1310, 22.5f);  // 10 ticks since the previous opening frame
    EXPECT_EQ(Find(scene.log, "D2").scale, (std::array<float, 3>{11, 11, 11}));
    EXPECT_FLOAT_EQ(Find(scene.log, "D2").rgb[0], 0.5f);
    scene.Frame(1314, 22.9f);
    EXPECT_EQ(Find(scene.log, "D2").scale[2], 15);
    EXPECT_FLOAT_EQ(Find(scene.log, "D2").rgb[1], 0.3f);
}

TEST_F(SceneATest, HeadPassSlidesTheHeadInFromMinusThirtyAndOutAfterFifty)
{
    ProbedSceneA scene;
    scene.Frame(1300, 22.9f);
    EXPECT_EQ(Names(scene.Frame(1353, 23.0f)),
              (std::vector<std::string>{"D5", "O1", "D0", "D6", "O3", "D2"}));
    EXPECT_EQ(Find(scene.log, "D6").position, (std::array<float, 3>{-30, 0, -15}));
    // glFrustum(-0.6 a, 0.6 a, -0.6, 0.6, 1, 4000), a = 800 / 600
    const float* p = Find(scene.log, "D6").projection;
    EXPECT_NEAR(p[0], 1.25, 1e-6);
    EXPECT_NEAR(p[5], 1 / 0.6, 1e-6);
    EXPECT_NEAR(p[14], -8000.0 / 3999, 1e-5);
    const std::pair<float, float> steps[] = {
        {1363, -21}, {1373, -12}, {1383, -5}, {2900, -5}};  // 0.9 a tick, stops at -5
    for (const auto& [t, x] : steps) {
        scene.Frame(t, 23.5f + (t - 1353) * 0.017f);
        EXPECT_NEAR(Find(scene.log, "D6").position[0], x, 1e-4f) << t;
    }
    scene.Frame(2910, 50.0f);
    EXPECT_NEAR(Find(scene.log, "D6").position[0], -14, 1e-4f);
    scene.Frame(2950, 50.4f);
    EXPECT_EQ(Find(scene.log, "D6").position[0], -30);
    EXPECT_EQ(Names(scene.Frame(2960, 50.5f)), std::vector<std::string>{"D5"});
}

TEST_F(SceneATest, HeadPassPicturesElevenToFourteenZoomAndFadeOneSecondEach)
{
    ProbedSceneA scene;
    scene.Frame(2700, 46.9f);
    const Call& first = Find(scene.log, "D2");
    EXPECT_EQ(first.texture, scene.TextureAt(10));
    EXPECT_EQ(first.position, (std::array<float, 3>{12, -1, -50}));
    EXPECT_EQ(first.scale, (std::array<float, 3>{1, 1, 1}));
    for (int image = 11; image <= 14; ++image) {
        const float t = 2710 + 12.0f * (image - 11);  // 10 ticks after the previous frame
        scene.Frame(t, 47.0f + (image - 11));
        const Call& picture = Find(scene.log, "D2");
        EXPECT_EQ(picture.texture, scene.TextureAt(image)) << image;
        EXPECT_EQ(picture.position, (std::array<float, 3>{0, -1, -50})) << image;
        EXPECT_EQ(picture.scale, (std::array<float, 3>{11, 11, 11})) << image;
        EXPECT_FLOAT_EQ(picture.rgb[2], 0.5f) << image;
        scene.Frame(t + 2, 47.4f + (image - 11));  // the same image's pair goes on
        EXPECT_EQ(Find(scene.log, "D2").scale[0], 13) << image;
        EXPECT_FLOAT_EQ(Find(scene.log, "D2").rgb[0], 0.4f) << image;
    }
    EXPECT_EQ(SceneA::ClassState().imageIndex, 14);
}

TEST_F(SceneATest, PictureFourteenKeepsThePlaceItFinds)
{
    ProbedSceneA scene;
    scene.Frame(2600, 46.0f);
    scene.Frame(2900, 50.2f);  // straight from picture 10
    const Call& picture = Find(scene.log, "D2");
    EXPECT_EQ(picture.texture, scene.TextureAt(14));
    EXPECT_EQ(picture.position, (std::array<float, 3>{12, -1, -50}));
    EXPECT_EQ(picture.scale[0], 301);
}

TEST_F(SceneATest, LetterboxBarsStayBlackInEveryPass)
{
    SceneA scene;
    const std::pair<float, float> frames[] = {{5, 0},        {600, 10.2f}, {1330, 22.6f},
                                              {1360, 23.1f}, {2000, 34},   {2790, 47.4f},
                                              {2945, 50.1f}, {2970, 50.5f}};
    for (const auto& [t, m] : frames) {
        SCOPED_TRACE(testing::Message() << "t " << t << " m " << m);
        g_music = m;
        glClearColor(0.2f, 0.4f, 0.6f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        scene.Render(t, 0);
        ExpectFramed();
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
        const auto* head = static_cast<CLatticeDeformEffect*>(scene.Original(SceneA::kHeadEffect));
        EXPECT_EQ(head->GetModel(), nullptr);
        for (int i = 0; i < SceneA::kTextureCount; ++i) EXPECT_GT(scene.TextureAt(i), 0) << i;
        for (const auto& [t, m] : {std::pair<float, float>{100, 0}, {1400, 24}, {2000, 34}}) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            EXPECT_EQ(Names(scene.Frame(t, m)).size(), t < 1000 ? 7u : 6u);
            ExpectFramed();
            EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        }
    }
    SetErrorBoxHandler(nullptr);
    EXPECT_EQ(g_errorBoxes, 0);
    EXPECT_EQ(chdir(previous), 0);
}

}  // namespace
}  // namespace sunvale
