// The effects rendered for real in an offscreen context: geometry and
// colours captured in feedback mode (GL_3D_COLOR_TEXTURE), the GL state each
// effect leaves behind, the image quad's blending and pixels, and the random
// numbers each effect takes from the shared generator.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "OffscreenTest.h"
#include "app/Random.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CPlaneStarEffect.h"
#include "effects/CScanlineNoiseEffect.h"

namespace sunvale {
namespace {

constexpr float kPi = 3.14159265358979f;

using Vertex = FeedbackVertex;
struct Corner {
    float x, y, z, s, t;
};

// Every test starts with an orthographic box x, y in [-1000, 1000], z in
// [-4000, 4000] on the 1000 x 1000 viewport (nothing the effects draw is
// clipped), an identity modelview and culling off.
class EffectRender : public OffscreenTest<1000, 1000> {
protected:
    void SetUp() override
    {
        OffscreenTest::SetUp();
        if (!Ready()) return;
        UseOrtho(1000, 4000);
        glDisable(GL_CULL_FACE);
    }
};

// A rectangle from (x0, y0) to (x1, y1) in the plane z of m, corners
// clockwise from (x0, y0), which has texture (u, v); the texture spans 1 x h.
std::vector<Corner> Square(const Mat4& m, float x0, float y0, float x1, float y1, float z,
                           float u = 0, float v = 0, float h = 1)
{
    const auto at = [&](float x, float y, float s, float t) -> Corner {
        return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
                m[2] * x + m[6] * y + m[10] * z + m[14], s, t};
    };
    return {at(x0, y0, u, v), at(x1, y0, u + 1, v), at(x1, y1, u + 1, v + h), at(x0, y1, u, v + h)};
}

// Sixteen 600 x 600 planes, the first at base, each next turned by step
// degrees about (ax, ay, az), texture offset u.
std::vector<Corner> PlaneStack(const std::function<void()>& base, float step, float ax, float ay,
                               float az, float u)
{
    std::vector<Corner> out;
    for (int p = 0; p < 16; ++p) {
        const Mat4 m = MatrixOf([&] {
            base();
            glRotatef(step * p, ax, ay, az);
        });
        for (const Corner& c : Square(m, -300, 300, 300, -300, 0, u)) out.push_back(c);
    }
    return out;
}

// Every vertex is one of the corners, every corner is drawn, all in rgba.
void ExpectDrawn(const std::vector<Vertex>& vertices, const std::vector<Corner>& corners,
                 const std::array<float, 4>& rgba)
{
    std::vector<bool> seen(corners.size());
    for (const Vertex& v : vertices) {
        bool matched = false;
        for (size_t c = 0; c < corners.size(); ++c) {
            const Corner& e = corners[c];
            if (std::fabs(v.x - e.x) <= 0.05f && std::fabs(v.y - e.y) <= 0.05f &&
                std::fabs(v.z - e.z) <= 0.2f && std::fabs(v.s - e.s) <= 1e-4f &&
                std::fabs(v.t - e.t) <= 1e-4f) {
                seen[c] = matched = true;
            }
        }
        EXPECT_TRUE(matched) << "stray vertex " << v.x << ", " << v.y << ", " << v.z;
        for (int i = 0; i < 4; ++i) EXPECT_NEAR(v.rgba[i], rgba[i], 1e-5f) << "channel " << i;
    }
    for (size_t c = 0; c < corners.size(); ++c) EXPECT_TRUE(seen[c]) << "corner " << c;
}

// The fan's transform at t: down the view, spin about X, sway about Z
// (10 degrees at t = 0), turned round about Y; and its alpha.
void FanMotion(float t)
{
    glTranslatef(0, 0, -400);
    glRotatef(0.5f * t, 1, 0, 0);
    glRotatef(30 * std::sin(t * 0.005f * 0.33333334f) + 10, 0, 0, 1);
    glRotatef(180, 0, 1, 0);
}
float FanAlpha(float t)
{
    const float s = std::sin(0.01f * t);
    return (0.15f * s + 0.45f) * (0.1f * s + 0.3f);
}

TEST_F(EffectRender, ImageQuadCornersPlacementAndColour)
{
    CImageQuadEffect quad;  // at (0, 0, -100), its plane at z = -7
    ExpectDrawn(Capture([&] { quad.Draw(0); }), Square(MatrixOf([] {}), -15, 15, 15, -15, -107),
                {1, 1, 1, 1});

    glTranslatef(500, 0, 0);  // replaced by the quad's own placement
    quad.position[0] = 3, quad.position[1] = -2, quad.position[2] = -15;
    quad.scale[0] = 2, quad.scale[1] = 0.5f;
    quad.angle = 90, quad.axis[1] = 0, quad.axis[2] = 1;
    quad.color[0] = 0.25f, quad.color[3] = 0.5f;
    const Mat4 m =
        MatrixOf([] { glTranslatef(3, -2, -15), glScalef(2, 0.5f, 1), glRotatef(90, 0, 0, 1); });
    ExpectDrawn(Capture([&] { quad.Draw(123); }), Square(m, -15, 15, 15, -15, -7),
                {0.25f, 1, 1, 0.5f});
}

TEST_F(EffectRender, ImageQuadPixelsModulateItsTextureOrShowItsColourAlone)
{
    const GLuint name = MakeTexture(0xC86428FF);
    CImageQuadEffect quad;  // over the whole view, opaque whatever the mode
    quad.scale[0] = quad.scale[1] = 100, quad.blend = 0, quad.blendMode = 0;
    const std::array<int32_t, 2> cases[] = {{static_cast<int32_t>(name), 0x646428}, {-1, 0x00FFFF}};
    for (const auto& [texture, rgb] : cases) {
        quad.SetTexture(texture);
        quad.color[0] = texture < 0 ? 0.0f : 0.5f;
        glClear(GL_COLOR_BUFFER_BIT);
        quad.Draw(0);
        const uint32_t pixel = context_->PixelAt(500, 500) >> 8;
        for (int shift : {0, 8, 16}) {
            EXPECT_NEAR(static_cast<int>((pixel >> shift) & 0xFF), (rgb >> shift) & 0xFF, 2)
                << "texture " << texture;
        }
    }
    EXPECT_FALSE(glIsTexture(static_cast<GLuint>(-1)));  // a failed texture is never bound
}

TEST_F(EffectRender, FanPlanesMoveWithTimeAndAlphaSpansPoint06ToPoint24)
{
    CPlaneFanEffect fan;
    float lowest = 1, highest = 0;
    for (int t = 0; t < 629; ++t) {  // one period of sin(0.01 t)
        glLoadIdentity();
        const auto vertices = Capture([&] { fan.Draw(static_cast<float>(t)); });
        ASSERT_EQ(vertices.size(), 96u);  // two triangles per plane
        lowest = std::min(lowest, vertices[0].rgba[3]);
        highest = std::max(highest, vertices[0].rgba[3]);
        if (t == 0 || t == 130) {  // t = 0: no spin, sway 10, offset 0, alpha 0.135
            ExpectDrawn(vertices, PlaneStack([t] { FanMotion(t); }, 6, 1, 0, 0, 0.001f * t),
                        {1, 1, 1, t == 0 ? 0.135f : FanAlpha(t)});
        }
    }
    EXPECT_TRUE(lowest >= 0.06f - 1e-6f && lowest < 0.06f + 1e-4f) << lowest;
    EXPECT_TRUE(highest <= 0.24f + 1e-6f && highest > 0.24f - 1e-4f) << highest;
}

TEST_F(EffectRender, StarSixteenPlanesInFixedColourWhateverTheTime)
{
    const auto base = [] { glTranslatef(10, -10, -300), glRotatef(33, 0, 1, 0); };
    base();
    const auto corners = PlaneStack(base, 45, 0, 1, 0, 0);
    CPlaneStarEffect star;
    for (float t : {0.0f, 5000.0f}) {
        const auto vertices = Capture([&] { star.Draw(t); });
        EXPECT_EQ(vertices.size(), 96u);
        ExpectDrawn(vertices, corners, {0.3f, 0.3f, 0.3f, 1});
    }
}

TEST_F(EffectRender, FadeOverlayCoversTheViewWithItsAlpha)
{
    CFadeEffect fade;
    fade.color[0] = 0.1f, fade.color[1] = 0.2f, fade.color[2] = 0.3f;
    const std::array<float, 4> cases[] = {
        // speed, strong pulse, t, alpha
        {0.025f, 1, 0, 0.2f},   {0, 1, 0, 0.2f},           {0, 1, 5000, 0.2f},
        {-0.0f, 1, 300, 0.2f},  {-0.0025f, 1, 0, 1},       {-0.0025f, 1, 200, 0.5f},
        {-0.0025f, 1, 400, 0},  {-0.0025f, 1, 1000, 0},    {0.25f, 1, 2 * kPi, 1},
        {0.25f, 1, 6 * kPi, 0}, {0.25f, 0, 2 * kPi, 0.6f}, {0.25f, 0, 6 * kPi, 0}};
    const auto view = Square(MatrixOf([] {}), -15, 15, 15, -15, -13);  // 13 ahead of the eye
    for (const auto& fadeCase : cases) {
        // Plain copies: the lambda below captures the time (structured
        // bindings cannot be captured before C++20).
        const auto [speed, strong, t, alpha] = fadeCase;
        const float time = t;
        SCOPED_TRACE(testing::Message() << "speed " << speed << " strong " << strong << " t " << t);
        fade.speed = speed, fade.strongPulse = static_cast<int32_t>(strong);
        ExpectDrawn(Capture([&] { fade.DrawOver(time, nullptr); }), view,
                    {0.1f, 0.2f, 0.3f, alpha});
        GLfloat current[4] = {};
        glGetFloatv(GL_CURRENT_COLOR, current);
        EXPECT_NEAR(current[3], alpha, 1e-5f);  // left behind, where GL does not clamp it
    }
}

TEST_F(EffectRender, NoiseStripsShiftOnlyWhenRIsOneAndTIsNotOne)
{
    // Seed 0 first draws 38 (r = 0), seed 1 draws 41 (r = 1).
    for (const auto& [seed, t, amp] :
         {std::array<double, 3>{0, 5000, 0}, {1, 1, 0}, {1, 1.25, -0.25}}) {
        // Strip k (i = 4k): one unit high about y = i, 1024 wide from x = -0.5,
        // texture row i/512 shifted by amp sin(i + 1.75); placed at (-240, -140, -240).
        std::vector<Corner> corners;
        const Mat4 m = MatrixOf([] { glTranslatef(-240, -140, -240); });
        for (int i = 0; i < 512; i += 4) {
            const float w = static_cast<float>(amp * std::sin(i + 1.75));
            const auto strip =
                Square(m, -0.5f, i - 0.5f, 1023.5f, i + 0.5f, 0, w, i / 512.0f, 1 / 512.0f);
            corners.insert(corners.end(), strip.begin(), strip.end());
        }
        srand(static_cast<uint32_t>(seed));
        CScanlineNoiseEffect noise;
        const auto time = static_cast<float>(t);  // the lambda captures a plain copy
        const auto vertices = Capture([&] { noise.DrawOver(time, nullptr); });
        EXPECT_EQ(vertices.size(), 128u * 6u);
        ExpectDrawn(vertices, corners, {1, 1, 1, 0.5f});
    }
}

// Overwrites a stretch of the stack below the caller's frame.
[[gnu::noinline]] void ScribbleStack()
{
    volatile float junk[16384];
    for (volatile float& f : junk) f = 1e30f;
}

// The client arrays stay enabled and pointed at the strips after the call;
// the strips live in the effect, so a later array draw that re-points
// neither still reads the last frame's strips, not a dead stack frame.
TEST_F(EffectRender, NoiseArraysStayPointedAtLiveStrips)
{
    CScanlineNoiseEffect noise;
    noise.DrawOver(1, nullptr);
    const char* begin = reinterpret_cast<const char*>(&noise);
    const char* end = begin + sizeof noise;
    for (GLenum array : {GL_VERTEX_ARRAY_POINTER, GL_TEXTURE_COORD_ARRAY_POINTER}) {
        GLvoid* at = nullptr;
        glGetPointerv(array, &at);
        const char* p = static_cast<const char*>(at);
        EXPECT_TRUE(p >= begin && p < end) << array;
    }
    ScribbleStack();
    glDisable(GL_CULL_FACE);
    const auto first = Capture([] { glDrawArrays(GL_TRIANGLES, 0, 3); });
    // P1, P2, P3 of strip 0 at (-240, -140, -240).
    const Mat4 m = MatrixOf([] { glTranslatef(-240, -140, -240); });
    const auto corners = Square(m, -0.5f, -0.5f, 1023.5f, 0.5f, 0, 0, 0, 1 / 512.0f);
    ASSERT_EQ(first.size(), 3u);
    for (size_t c = 0; c < 3; ++c) {
        EXPECT_NEAR(first[c].x, corners[c].x, 0.05f) << c;
        EXPECT_NEAR(first[c].y, corners[c].y, 0.05f) << c;
        EXPECT_NEAR(first[c].z, corners[c].z, 0.2f) << c;
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

// Draw alone draws nothing and takes no random number; DrawOver draws the
// source first, and only the noise takes one number (after its source).
TEST_F(EffectRender, OverlaysDrawTheirSourceFirstAndNothingAlone)
{
    CImageQuadEffect quad;
    CFadeEffect fade;
    CScanlineNoiseEffect noise;
    for (const auto& pair : {std::pair<Effect*, float>{&fade, -13}, {&noise, -240}}) {
        Effect* const overlay = pair.first;
        const float z = pair.second;
        srand(1);
        EXPECT_TRUE(Capture([&] { overlay->Draw(3); }).empty());
        const auto vertices = Capture([&] { overlay->DrawOver(3, &quad); });
        EXPECT_EQ(rand(), overlay == &noise ? 18467 : 41);
        ASSERT_GT(vertices.size(), 6u);
        EXPECT_NEAR(vertices.front().z, -107, 0.5f);
        EXPECT_NEAR(vertices.back().z, z, 0.5f);
    }
}

// Blending, depth test, culling, 2D texturing, depth writes, client arrays.
void SetCapabilities(bool on)
{
    for (GLenum c : {GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D})
        on ? glEnable(c) : glDisable(c);
    for (GLenum a : {GL_VERTEX_ARRAY, GL_TEXTURE_COORD_ARRAY})
        on ? glEnableClientState(a) : glDisableClientState(a);
    glDepthMask(on ? GL_TRUE : GL_FALSE);
}
std::array<int, 6> Capabilities()
{
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    return {glIsEnabled(GL_BLEND),
            glIsEnabled(GL_DEPTH_TEST),
            glIsEnabled(GL_CULL_FACE),
            glIsEnabled(GL_TEXTURE_2D),
            mask,
            glIsEnabled(GL_VERTEX_ARRAY) && glIsEnabled(GL_TEXTURE_COORD_ARRAY)};
}

// Each effect drawn from all capabilities off and from all on, with another
// texture bound and the modelview at (1, 2, 3): what it leaves behind, and
// how many random numbers it took.
TEST_F(EffectRender, EachEffectLeavesItsDocumentedStateAndDraws)
{
    GLuint names[2] = {};
    glGenTextures(2, names);
    const auto own = static_cast<GLint>(names[0]);
    CImageQuadEffect quad;
    quad.SetTexture(own), quad.blend = 0, quad.position[2] = -20, quad.color[1] = 0.5f;
    CPlaneFanEffect fan;
    fan.SetTexture(own);
    CPlaneStarEffect star;
    star.SetTexture(own), star.color[3] = 0.25f;
    CFadeEffect fade;
    fade.speed = -0.0025f, fade.color[0] = 0;
    CScanlineNoiseEffect noise;
    noise.SetTexture(own);
    const auto quadIn = [&quad](int mode) {
        return [&quad, mode] { quad.blendMode = mode, quad.Draw(0); };
    };
    const auto at = [](float x, float y, float z) { return [=] { glTranslatef(x, y, z); }; };
    const std::function<void()> drawFan = [&] { fan.Draw(100); };
    const std::function<void()> fanAt = [] { glTranslatef(1, 2, 3), FanMotion(100); };
    const std::function<void()> drawStar = [&] { star.Draw(1); };
    const std::function<void()> drawFade = [&] { fade.DrawOver(200, nullptr); };
    const std::function<void()> drawNoise = [&] {
        noise.DrawOver(10, nullptr), noise.DrawOver(11, nullptr);
    };
    struct Case {
        std::function<void()> draw, modelview;  // the modelview from the identity
        std::array<int, 6> on;                  // -1: left as found
        std::array<GLint, 2> blendFunction;
        GLint boundTexture;
        std::array<float, 4> colour;
        float clearAlpha;
        int randomDraws;
    };
    const std::array<float, 4> quadColour = {1, 0.5f, 1, 1};
    const std::array<int, 6> allOff = {0, 0, 0, 0, 0, -1};
    const std::array<GLint, 2> add = {GL_SRC_ALPHA, GL_ONE},
                               over = {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
                               dstAlpha = {GL_SRC_ALPHA, GL_DST_ALPHA};
    const Case cases[] = {
        {quadIn(3), at(0, 0, -20), allOff, add, 0, quadColour, 1, 0},
        {drawFan, fanAt, {0, 1, 1, 0, 0, -1}, add, own, {1, 1, 1, FanAlpha(100)}, 1, 0},
        {drawStar, at(1, 2, 3), allOff, add, 0, {0.3f, 0.3f, 0.3f, 0.25f}, 0.5f, 0},
        {drawFade, at(0, 0, -6), {0, 0, -1, 0, 1, -1}, over, 0, {0, 1, 1, 0.5f}, 1, 0},
        {drawNoise, at(-240, -140, -240), {0, 1, 1, 0, 0, 1}, dstAlpha, 0, {1, 1, 1, 0.5f}, 1, 2},
        // The quad's other blend modes; 2 (as any other) keeps the function as found.
        {quadIn(0), at(0, 0, -20), allOff, {GL_ONE, GL_ONE}, 0, quadColour, 1, 0},
        {quadIn(1), at(0, 0, -20), allOff, over, 0, quadColour, 1, 0},
        {quadIn(4), at(0, 0, -20), allOff, {GL_ONE_MINUS_SRC_COLOR, GL_ONE}, 0, quadColour, 1, 0},
        {quadIn(2), at(0, 0, -20), allOff, {GL_ZERO, GL_ZERO}, 0, quadColour, 1, 0},
    };
    for (const Case& c : cases) {
        for (int start : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "case " << &c - cases << " from " << start);
            SetCapabilities(start);
            glBindTexture(GL_TEXTURE_2D, names[1]);
            glBlendFunc(GL_ZERO, GL_ZERO);
            glColor4f(0, 0, 0, 0);
            glClearColor(0, 0, 0, 1);
            glLoadIdentity();
            glTranslatef(1, 2, 3);
            srand(1);
            c.draw();
            EXPECT_EQ(rand(), (std::array<int, 3>{41, 18467, 6334}[c.randomDraws]));

            std::array<int, 6> expected = c.on;
            for (int& e : expected) e = e < 0 ? start : e;
            EXPECT_EQ(Capabilities(), expected);
            std::array<GLint, 3> got{};  // blend source, destination, bound texture
            glGetIntegerv(GL_BLEND_SRC, &got[0]);
            glGetIntegerv(GL_BLEND_DST, &got[1]);
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &got[2]);
            EXPECT_EQ(got, (std::array<GLint, 3>{c.blendFunction[0], c.blendFunction[1],
                                                 c.boundTexture}));
            const Mat4 colour = GetFloats(GL_CURRENT_COLOR);
            for (int i = 0; i < 4; ++i) EXPECT_NEAR(colour[i], c.colour[i], 1e-6f);
            EXPECT_EQ(GetFloats(GL_COLOR_CLEAR_VALUE)[3], c.clearAlpha);
            const Mat4 modelview = GetFloats(GL_MODELVIEW_MATRIX);
            const Mat4 expectedModelview = MatrixOf(c.modelview);
            for (int i = 0; i < 16; ++i) EXPECT_NEAR(modelview[i], expectedModelview[i], 1e-3f);
        }
    }
}

}  // namespace
}  // namespace sunvale
