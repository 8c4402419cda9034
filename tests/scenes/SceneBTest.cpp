// Scene B rendered offscreen with the textures of the generated data.rar
// (the tests run in the build folder): the loading bar and the effects it
// builds, the windows of the message picture by music position, the random
// numbers each window takes, the frame-step quirks, the skip above 105 s,
// the draw order and matrices, and its place beside scene C.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "SceneTestContext.h"
#include "effects/CFadeEffect.h"
#include "effects/CTunnelEffect.h"
#include "scenes/SceneB.h"

namespace sunvale {
namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;
constexpr float kEntryStart = 2980;
constexpr float kEntryEnd = 6200;

CImageQuadEffect* QuadAt(const SceneB& scene, int index)
{
    return static_cast<CImageQuadEffect*>(scene.Effects().effects[index]);
}
CImageQuadEffect* MessageOf(const SceneB& scene) { return QuadAt(scene, SceneB::kMessageEffect); }
CImageQuadEffect* ImageOf(const SceneB& scene) { return QuadAt(scene, Scene::kImageEffect); }

std::array<float, 3> Vec(const float* v) { return {v[0], v[1], v[2]}; }

class SceneBTest : public SceneTestContext<kWidth, kHeight> {
protected:
    void SetUp() override
    {
        SceneTestContext::SetUp();
        if (!Ready()) return;
        glViewport(0, 0, kWidth, kHeight);
        SceneB::ClassState() = SceneB::kInitialState;
    }
};

// Right edges (in the 800 x 600 space) of the loading bars drawn while fn
// runs, from their polygons in feedback mode.
std::vector<int> LoadingBarEnds(const std::function<void()>& fn)
{
    std::vector<GLfloat> b(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(b.size()), GL_2D, b.data());
    glRenderMode(GL_FEEDBACK);
    fn();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<int> ends;
    for (GLint p = 0; p < used;) {
        const auto token = static_cast<GLenum>(b[p]);
        if (token == GL_POLYGON_TOKEN) {
            const int n = static_cast<int>(b[p + 1]);
            float right = 0;
            for (int i = 0; i < n; ++i) right = std::max(right, b[p + 2 + 2 * i]);
            const int end = static_cast<int>(std::lround(right * 800 / kWidth));
            if (ends.empty() || ends.back() != end) ends.push_back(end);  // quads come in halves
            p += 2 + 2 * n;
        } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
            p += 5;
        } else {
            ADD_FAILURE() << "unexpected feedback token " << b[p];
            break;
        }
    }
    return ends;
}

TEST_F(SceneBTest, LoadsThirtyOneTexturesUnderTheBarAndBuildsSevenEffects)
{
    std::unique_ptr<SceneB> scene;
    const std::vector<int> ends = LoadingBarEnds([&] { scene = std::make_unique<SceneB>(); });
    // Bar at 0.27, 0.28, ... before each load, 0.58 after: each single-precision
    // fraction scaled in double and truncated.
    std::vector<int> expected;
    for (int i = 27; i <= 58; ++i) {
        const double fraction = static_cast<float>(i) / 100.0f;
        expected.push_back(static_cast<int>(fraction * 600.0 + 100.0));
    }
    EXPECT_EQ(ends, expected);
    ExpectBuilt<CPlaneFanEffect, CScanlineNoiseEffect, CImageQuadEffect, CFadeEffect,
                CImageQuadEffect, CImageQuadEffect, CTunnelEffect>(*scene, SceneB::kTextureCount);
    const auto* tunnel = static_cast<CTunnelEffect*>(scene->Effects().effects[6]);
    EXPECT_EQ(tunnel->outerTexture, scene->TextureAt(7));
    EXPECT_EQ(tunnel->innerTexture, scene->TextureAt(8));
}

TEST_F(SceneBTest, WindowsAndSecondImageFollowTheMusicWithInclusiveBounds)
{
    using W = SceneB::Window;
    const std::pair<float, W> windows[] = {
        {0, W::W1},   {57, W::W1},      {57.001f, W::W2}, {64, W::W2},      {64.001f, W::W3},
        {72, W::W3},  {72.001f, W::W4}, {74, W::W4},      {74.001f, W::W5}, {77.999f, W::W5},
        {78, W::W1},  {85, W::W1},      {85.001f, W::W2}, {92, W::W2},      {92.001f, W::W6},
        {105, W::W6}, {200, W::W6}};
    for (const auto& [m, window] : windows) EXPECT_EQ(SceneB::WindowAt(m), window) << "m " << m;
    using S = SceneB::SecondImage;
    const std::pair<float, S> images[] = {{75, S::SlideShow},         {75.001f, S::PlainPicture},
                                          {98.999f, S::PlainPicture}, {99, S::FinalPicture},
                                          {105, S::FinalPicture},     {105.001f, S::PlainPicture}};
    for (const auto& [m, image] : images) EXPECT_EQ(SceneB::SecondImageAt(m), image) << "m " << m;
}

// One frame from the initial state at each window's boundary: the message
// picture stands where that window puts it on its first frame.
TEST_F(SceneBTest, EachWindowPlacesTheMessageOnItsFirstFrame)
{
    SceneB scene;
    struct Case {
        float m;
        std::array<float, 3> position;  // x of W2/W4 moves by one frame of 1 tick
        float scale, angle;
        std::array<float, 3> axis, colour;
        int32_t message;
    };
    const std::array<float, 3> z{0, 0, 1}, blue{0.3f, 0.4f, 0.9f};
    const Case cases[] = {
        {57, {50, -50, -200}, 5, 15, z, blue, 18},  // 15 degrees in one tick
        {64, {-35, -40, -200}, 5, 0, z, blue, 17},
        {72, {-50, 0, -15}, 15, 60, {0, 1, 0}, {0.29f, 0.39f, 0.89f}, 28},
        {74, {-35, -60, -200}, 5, 0, z, blue, 17},
        {78, {50, -50, -200}, 5, 15, z, blue, 18},
        {85, {50, -50, -200}, 5, 15, z, blue, 18},
        {92, {-35, -40, -200}, 5, 0, z, blue, 17},
        {105, {0, -1, -200}, 2, 0, z, blue, 17},
        {76.5f, {-50, 0, -5}, 25, 59, z, {0.295f, 0.393f, 0.86f}, 28},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "m " << c.m);
        SceneB::ClassState() = SceneB::kInitialState;
        SceneB::ClassState().previousTime = 4999;  // a step of one tick
        PlayMusicAt(c.m);
        scene.Render(5000, kEntryStart);
        const CImageQuadEffect* message = MessageOf(scene);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(message->position[i], c.position[i], 1e-4f) << i;
            EXPECT_NEAR(message->color[i], c.colour[i], 1e-6f) << i;
        }
        EXPECT_EQ(Vec(message->scale), (std::array<float, 3>{c.scale, c.scale, c.scale}));
        EXPECT_FLOAT_EQ(message->angle, c.angle);
        EXPECT_EQ(Vec(message->axis), c.axis);
        EXPECT_EQ(message->color[3], 1.0f);
        EXPECT_EQ(message->texture, scene.TextureAt(c.message));
    }
}

TEST_F(SceneBTest, SkipsBothPassesAboveOneHundredFiveOnlyWithAStream)
{
    const float above = std::nextafter(105.0f, 200.0f);
    EXPECT_FALSE(SceneB::SkipsPasses(true, 105.0f));
    EXPECT_TRUE(SceneB::SkipsPasses(true, above));
    EXPECT_FALSE(SceneB::SkipsPasses(false, above));
    SetMusicPositionSource(nullptr);
    EXPECT_FALSE(MusicStreamHeld());  // no player stream in this process
    PlayMusicAt(0);
    EXPECT_TRUE(MusicStreamHeld());

    SceneB scene;
    for (const auto& [m, skipped] : {std::pair{105.0f, false}, {above, true}}) {
        SCOPED_TRACE(testing::Message() << "m " << m);
        SceneB::ClassState().previousTime = 6170;
        PlayMusicAt(m);
        glClearColor(0.2f, 0.4f, 0.6f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        srand(1);
        scene.Render(6180, kEntryStart);
        EXPECT_EQ(rand(), skipped ? 41 : 18467);  // the noise strips' one number
        EXPECT_EQ(SceneB::ClassState().previousTime, skipped ? 6170.0f : 6180.0f);
        const int cleared = CountBetweenBars([](uint32_t rgb) { return rgb == 0x336699u; });
        if (skipped) {
            EXPECT_EQ(cleared, (kHeight - 2 * kHeight / 6) * ((kWidth + 2) / 3));
        } else {
            EXPECT_LT(cleared, (kHeight - 2 * kHeight / 6) * kWidth / 30);  // the tunnel covers it
        }
        EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    }
    glClearColor(0, 0, 0, 1);
}

// Bounces in W2 and W4 take two numbers (picture, then height), a switch in
// W6 four (two for the height, two for x), the final picture four more.
TEST_F(SceneBTest, RandomNumbersAreDrawnInTheWrittenOrder)
{
    SceneB scene;
    SceneBState& state = SceneB::ClassState();
    struct Case {
        float m, startX, direction;
        int draws;
    };
    for (const Case& c : {Case{60, 200, 1, 2}, Case{88, -200, -1, 2}, Case{73, -200.5f, -1, 2},
                          Case{73, 201, 1, 2}, Case{60, 199.5f, 1, 0}, Case{73, -199, -1, 0}}) {
        SCOPED_TRACE(testing::Message() << "m " << c.m << " x " << c.startX);
        const bool w4 = SceneB::WindowAt(c.m) == SceneB::Window::W4;
        SceneBState::BouncingWindow& w = w4 ? state.w4 : state.w2;
        w.started = true, w.position[0] = c.startX, w.position[1] = 7, w.direction = c.direction;
        state.messageIndex = 17, state.previousTime = 4999;
        PlayMusicAt(c.m);
        ShadowGenerator shadow{12345};
        shadow.Next();  // the noise strips
        const int r1 = shadow.Next(), r2 = shadow.Next();
        srand(12345);
        scene.Render(5000, kEntryStart);
        if (c.draws == 2) {
            EXPECT_EQ(state.messageIndex, r1 % 5 + 25);
            EXPECT_EQ(w.position[1], w4 ? r2 % 120 - 60 : r2 % 100 - 50);
            EXPECT_EQ(w.direction, -c.direction);
            EXPECT_EQ(rand(), shadow.Next());
        } else {
            EXPECT_EQ(state.messageIndex, 17);
            EXPECT_EQ(w.position[1], 7);
            EXPECT_EQ(rand(), r1);
        }
        EXPECT_EQ(MessageOf(scene)->position[1], w.position[1]);
    }

    // W6 switching (m 100: the final picture draws after it).
    state.w6 = {true, 99.7f, {5, 5, 5}, 9};
    state.messageIndex = 30, state.previousTime = 4999;
    PlayMusicAt(100);
    ShadowGenerator shadow{777};
    shadow.Next();
    int r[8];
    for (int& value : r) value = shadow.Next();
    srand(777);
    scene.Render(5000, kEntryStart);
    EXPECT_EQ(rand(), shadow.Next());
    EXPECT_EQ(state.messageIndex, 25);
    EXPECT_EQ(Vec(state.w6.position),
              (std::array<float, 3>{static_cast<float>(r[3] % 60 - r[2] % 120),
                                    static_cast<float>(r[1] % 60 - r[0] % 120 - 1), -200}));
    EXPECT_EQ(state.w6.scale, 2.0f);
    EXPECT_EQ(Vec(ImageOf(scene)->position),
              (std::array<float, 3>{static_cast<float>(r[7] % 5 - r[6] % 10), -1,
                                    static_cast<float>(r[5] % 5 - r[4] % 10 - 200)}));
    EXPECT_EQ(state.w6.lastSwitch, 100.0f);
}

// The whole entry at 20 frames per second with the music in step: every
// frame takes the noise strips' number, two per bounce, four per W6 switch
// and four per jittering final picture, and nothing else; none once the
// music is past 105 s.
TEST_F(SceneBTest, GeneratorFollowsAScriptedEntryFrameByFrame)
{
    SceneB scene;
    const SceneBState& state = SceneB::ClassState();
    ShadowGenerator shadow{99};
    srand(99);
    int bounces = 0, switches = 0, jitters = 0;
    float lastSwitchTime = 0;
    for (int k = 1;; ++k) {
        const float t = kEntryStart + static_cast<float>(k * (1000.0 / 20.0) / 17.0);
        if (t >= kEntryEnd) break;
        const float m = t * 0.017f;
        const SceneBState before = state;
        PlayMusicAt(m);
        scene.Render(t, kEntryStart);
        int draws = m > 105.0f ? 0 : 1;
        const SceneB::Window window = SceneB::WindowAt(m);
        if (window == SceneB::Window::W2 && state.w2.direction != before.w2.direction) {
            draws += 2, ++bounces;
        }
        if (window == SceneB::Window::W4 && state.w4.direction != before.w4.direction) {
            draws += 2, ++bounces;
        }
        if (window == SceneB::Window::W6 && state.messageIndex != before.messageIndex) {
            draws += 4, ++switches;
            if (lastSwitchTime > 0) {
                EXPECT_GE(m - lastSwitchTime, 0.2f);
                EXPECT_LT(m - lastSwitchTime, 0.26f);
            }
            lastSwitchTime = m;
        }
        if (SceneB::SecondImageAt(m) == SceneB::SecondImage::FinalPicture && m < 104.7f) {
            draws += 4, ++jitters;
            EXPECT_LE(ImageOf(scene)->scale[0], 7.5f);
        }
        shadow.Skip(draws);
        ASSERT_EQ(rand(), shadow.Next()) << "frame " << k << " at m " << m;
        if (window == SceneB::Window::W1) {
            EXPECT_EQ(state.messageIndex, before.messageIndex == 24 || before.messageIndex > 24
                                              ? 17
                                              : before.messageIndex + 1);
        }
        if (window == SceneB::Window::W3 || window == SceneB::Window::W5) {
            EXPECT_EQ(state.messageIndex, 28);
        }
    }
    EXPECT_GT(bounces, 2);
    EXPECT_GT(switches, 50);  // 13 s, a switch every 4 or 5 frames
    EXPECT_GT(jitters, 100);
    EXPECT_EQ(state.finalPicture.scaleRate, 1.0f);  // the last 0.3 s grows fast
    EXPECT_EQ(state.finalPicture.brightnessRate, -0.1f);
}

TEST_F(SceneBTest, WithoutAStreamStaysInWindowOneAndTheSlideShow)
{
    SetMusicPositionSource(nullptr);
    SceneB scene;
    const SceneBState& state = SceneB::ClassState();
    int32_t message = 17;
    for (int k = 1;; ++k) {
        const float t = kEntryStart + static_cast<float>(k * 100.0 / 17.0);  // 10 fps
        if (t >= kEntryEnd) break;
        srand(5);
        scene.Render(t, kEntryStart);
        ShadowGenerator shadow{5};
        shadow.Next();  // only the noise strips drew
        ASSERT_EQ(rand(), shadow.Next()) << "t " << t;
        message = message == 24 ? 17 : message + 1;
        ASSERT_EQ(MessageOf(scene)->texture, scene.TextureAt(message)) << "t " << t;
        EXPECT_EQ(Vec(MessageOf(scene)->position), (std::array<float, 3>{50, -50, -200}));
        EXPECT_EQ(MessageOf(scene)->angle, 90.0f);  // never switches
        ASSERT_EQ(ImageOf(scene)->texture, scene.TextureAt(9));
        EXPECT_NEAR(ImageOf(scene)->scale[0], 1 + t, 0.5f);  // growing for the whole entry
    }
    EXPECT_FALSE(state.w2.started || state.w6.started);
}

// Previous time starts at 0: the first frame steps by the whole show time.
TEST_F(SceneBTest, FirstFrameStepsByTheWholeShowTime)
{
    SceneB scene;
    const float t = 2981;
    PlayMusicAt(t * 0.017f);
    scene.Render(t, kEntryStart);
    const CImageQuadEffect* image = ImageOf(scene);
    EXPECT_FLOAT_EQ(image->scale[0], 1 + t);
    EXPECT_FLOAT_EQ(image->color[0], 1 - 0.05f * t);  // far below 0: dark
    EXPECT_EQ(image->texture, scene.TextureAt(9));
    EXPECT_EQ(Vec(image->position), (std::array<float, 3>{0, -1, -200}));
    EXPECT_EQ(MessageOf(scene)->angle, 90.0f);  // straight to the first target
    EXPECT_EQ(SceneB::ClassState().w1.lastSwitch, t * 0.017f);
    EXPECT_EQ(SceneB::ClassState().slideShow.lastSwitch, t * 0.017f);
}

TEST_F(SceneBTest, QuarterTurnsEveryPointFourSeconds)
{
    SceneB scene;
    SceneBState::TurningWindow& w1 = SceneB::ClassState().w1;
    // (tick, music, angle, target after the frame)
    const std::array<float, 4> frames[] = {{3000, 51.0f, 90, 90},   {3001, 51.39f, 90, 90},
                                           {3002, 51.4f, 105, 180}, {3003, 51.5f, 120, 180},
                                           {3010, 51.6f, 180, 180}, {3011, 51.81f, 195, 270},
                                           {3012, 51.9f, 210, 270}};
    for (const auto& [t, m, angle, target] : frames) {
        PlayMusicAt(m);
        scene.Render(t, kEntryStart);
        EXPECT_FLOAT_EQ(MessageOf(scene)->angle, angle) << "t " << t;
        EXPECT_EQ(w1.targetAngle, target) << "t " << t;
    }
}

// W3's flight moves per frame: 27 frames to pass -400, then one unit a frame,
// whatever the ticks between them; its colour fades per tick from 69 s on.
TEST_F(SceneBTest, WindowThreeFliesPerFrameAndFadesPerTick)
{
    SceneB scene;
    for (float step : {1.0f, 7.0f}) {
        SceneB::ClassState() = SceneB::kInitialState;
        SceneB::ClassState().previousTime = 4000;
        PlayMusicAt(65);
        for (int frame = 1; frame <= 30; ++frame) {
            scene.Render(4000 + step * frame, kEntryStart);
            const float z = SceneB::ClassState().w3.position[2];
            const float expected = frame <= 27 ? -15.0f * frame : -405.0f - (frame - 27);
            EXPECT_EQ(z, expected) << "frame " << frame;
        }
        EXPECT_EQ(MessageOf(scene)->color[0], 0.3f);  // no fading before 69 s
    }
    PlayMusicAt(69);
    const float t = SceneB::ClassState().previousTime;
    scene.Render(t + 10, kEntryStart);
    const SceneBState::FadingWindow& w3 = SceneB::ClassState().w3;
    EXPECT_EQ(Vec(w3.colour),
              (std::array<float, 3>{0.3f - 0.01f * 10, 0.4f - 0.01f * 10, 0.9f - 0.01f * 10}));
    EXPECT_FLOAT_EQ(w3.colour[3], 0.6f);
    scene.Render(t + 100, kEntryStart);
    EXPECT_EQ(Vec(w3.colour), (std::array<float, 3>{0, 0, 0.0f}));
}

TEST_F(SceneBTest, FinalPictureJittersUnderItsCapThenGrowsAndDarkens)
{
    SceneB scene;
    const SceneBState::FinalPicture& f = SceneB::ClassState().finalPicture;
    SceneB::ClassState().previousTime = 5800;
    PlayMusicAt(99);
    for (int k = 1; k <= 100; ++k) scene.Render(5800 + k, kEntryStart);  // 0.1 a tick
    EXPECT_EQ(f.scale, 7.5f);
    EXPECT_NEAR(f.brightness, 0.5f, 1e-4f);
    const CImageQuadEffect* image = ImageOf(scene);
    EXPECT_EQ(image->texture, scene.TextureAt(9));
    EXPECT_GE(image->position[0], -9);
    EXPECT_LE(image->position[0], 4);
    EXPECT_GE(image->position[2], -209);
    EXPECT_LE(image->position[2], -196);
    const float y = image->position[1], z = image->position[2];

    PlayMusicAt(104.7f);
    scene.Render(5902, kEntryStart);  // rates change, this frame still at the old ones
    EXPECT_EQ(Vec(image->position), (std::array<float, 3>{0, y, z}));
    EXPECT_FLOAT_EQ(f.scale, 7.5f + 0.2f);
    EXPECT_NEAR(f.brightness, 0.51f, 1e-4f);
    scene.Render(5904, kEntryStart);
    EXPECT_FLOAT_EQ(image->scale[0], 7.7f + 2);
    EXPECT_NEAR(image->color[0], 0.31f, 1e-4f);
}

TEST_F(SceneBTest, TunnelFirstAtFiveTimesTheShowTimeThenTheLayersInOrder)
{
    Probed<SceneB> scene({0, 2, 4, 5, 6});
    PlayMusicAt(60);
    scene.Render(3500, kEntryStart);
    ASSERT_EQ(scene.Order(), "D6 D5 D0 D4 D2");
    EXPECT_EQ(scene.calls[0].time, 17500.0f);
    // The background image: budda5 to budda8 (3..6), the first trigger shows 4.
    const auto* quad = scene.Real<CImageQuadEffect>(5);
    EXPECT_EQ(SceneB::ClassState().background.imageIndex, 4);  // s is up at t = 3500
    EXPECT_EQ(quad->texture, scene.TextureAt(4));
    EXPECT_EQ(Vec(quad->position), (std::array<float, 3>{3, 0, -15}));
    for (size_t i = 1; i < scene.calls.size(); ++i) EXPECT_EQ(scene.calls[i].time, 3500.0f);
    for (const ProbeCall& r : scene.calls) {
        // Effect 2 follows effect 4 with no reset between: the quads load their own.
        if (r.index != 2) {
            for (int i = 0; i < 16; ++i) EXPECT_EQ(r.modelview[i], i % 5 == 0 ? 1 : 0) << i;
        }
        // Narrow frustum (1 wide, 0.75 high at distance 1), the wide one for the fan.
        const bool wide = r.index == 0;
        EXPECT_NEAR(r.projection[0], wide ? 1 / 0.93333333f : 2, 1e-6f) << "effect " << r.index;
        EXPECT_NEAR(r.projection[5], wide ? 1 / 0.7f : 2 / 0.75f, 1e-6f) << "effect " << r.index;
        EXPECT_NEAR(r.projection[10], -1001.0 / 999, 1e-6) << "effect " << r.index;
    }
}

}  // namespace
}  // namespace sunvale
