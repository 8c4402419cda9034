// The particle cloud: generation against an independent replay of the
// generator, the alpha ramp and fade-out, billboards (the drift's wrap)
// captured in feedback mode (GL_3D_COLOR_TEXTURE) compared with corners built
// in eye space, the GL state Draw leaves, and fogged offscreen pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "OffscreenTest.h"
#include "app/Random.h"
#include "effects/CParticleCloudEffect.h"

namespace sunvale {
namespace {

// Group centres (y, z; x is 0 for all) and speeds of the cloud's layout.
constexpr float kCentres[16][2] = {{50, 0},     {0, 0},      {90, 60},   {-100, 30},
                                   {50, -100},  {-50, 50},   {100, 50},  {-30, 90},
                                   {150, 10},   {100, -100}, {190, 160}, {-200, 130},
                                   {150, -200}, {-150, 250}, {200, 150}, {-130, 190}};
constexpr float kSpeeds[16] = {300, 150, 250, 160, 340, 270, 180, 130,
                               200, 210, 220, 230, 240, 160, 230, 250};

// Per group: a count of 150 + rand() % 75, then three numbers per particle;
// seed 1 also pins the first particle's exact place.
TEST(ParticleCloud, GenerateTakesCountThenThreeNumbersPerParticleForEachGroup)
{
    for (uint32_t seed : {1u, 12345u, 0xDEADBEEFu}) {
        SCOPED_TRACE(seed);
        CParticleCloudEffect cloud;
        if (seed != 1) cloud.SetTexture(77);
        srand(seed);
        cloud.Generate();
        ShadowGenerator replay{seed};
        int total = 0;
        for (int g = 0; g < 16; ++g) {
            const ParticleGroup& group = cloud.groups[g];
            const int n = replay.Next() % 75 + 150;
            ASSERT_EQ(group.count, n) << "group " << g;
            EXPECT_EQ(group.texture, seed == 1 ? -1 : 77);  // -1: no texture given yet
            EXPECT_EQ(group.speed, kSpeeds[g]);
            for (int i = 0; i < n; ++i) {
                const int r3 = replay.Skip(2).Next();
                // Depth: r3 * 10 / 32767 - 20 about the centre's z.
                EXPECT_NEAR(group.points[i].z, r3 * (10.0 / 32767) - 20 + kCentres[g][1], 1e-3);
                // The ring is flat in y: radius at most 5 pi, times 10.
                EXPECT_LE(std::fabs(group.points[i].y - (kCentres[g][0] - 20)), 157.1f);
            }
            total += n;
        }
        EXPECT_TRUE(total >= 2400 && total <= 3584) << total;
        EXPECT_EQ(rand(), replay.Next());  // the next user sees the right sequence
        if (seed == 1) {                   // 191 particles; the first from r = 18467, 6334, 26500
            const Vector3& p = cloud.groups[0].points[0];
            EXPECT_NEAR(p.x, -205.39966, 2e-3);
            EXPECT_NEAR(p.y, 2.02664, 1e-4);
            EXPECT_NEAR(p.z, -11.91260, 1e-4);
        }
    }
}

TEST(ParticleCloud, AlphaRampsInAndFadesOutAfterItsStart)
{
    CParticleCloudEffect cloud;
    EXPECT_EQ(cloud.fadeOutStart, 300.0f);
    const std::array<float, 3> cases[] = {
        // fade-out start, scaled time, alpha
        {300, 0, 0.25f},    {300, 1, 0.75f},   {300, 1.5f, 1},       {300, 299.9f, 1},
        {300, 302, 0.5f},   {300, 304, 0},     {300, -10, 0},        {15.9f, 1.5f, 1},
        {15.9f, 15.89f, 1}, {15.9f, 15.9f, 1}, {15.9f, 17.9f, 0.5f}, {15.9f, 19.9f, 0},
        {15.9f, 100, 0},    {1e10f, 1.5f, 1},  {1e10f, 1e6f, 1},     {0, 0, 1},
    };
    for (const auto& [start, t, alpha] : cases) {
        cloud.fadeOutStart = start;
        EXPECT_NEAR(cloud.Alpha(t), alpha, t == 17.9f ? 1e-5f : 0)
            << "start " << start << " t " << t;
    }
}

// The GL tests: an orthographic box x, y in [-2000, 2000], z in [-4000, 4000]
// on a 1000 x 1000 viewport, so that no particle is clipped; two white
// textures.
class ParticleCloudRender : public OffscreenTest<1000, 1000> {
protected:
    void SetUp() override
    {
        OffscreenTest::SetUp();
        if (!Ready()) return;
        UseOrtho(2000, 4000);
        for (GLuint& name : names_) name = MakeTexture(0xFFFFFFFF);
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    void TearDown() override
    {
        if (context_ != nullptr) glDeleteTextures(2, names_);
    }
    GLuint names_[2] = {};
};

// The cloud's modelview at scaled time T, built from the identity.
Mat4 CloudMatrix(float T, float x, float y, float z)
{
    return MatrixOf([&] {
        glTranslatef(x, y, z - 300);
        glRotatef(T * 30, 1, 0, 0);
        glRotatef(std::sin(T * 0.33333334f) * 30 + 10, 0, 0, 1);
        glRotatef(T * 20, 0, 1, 0);
    });
}

// One group drawn alone: every particle is one quad of four corners that
// stand +-10 along the eye's x and y about the particle's eye position, all
// at the particle's eye depth, with texture (0, 0) at the top left. The
// drift wraps keeping the sign: fmod(-1000, 800) is -200, not a floored 600.
TEST_F(ParticleCloudRender, OneGroupDrawsCameraFacingBillboardsInOrder)
{
    CParticleCloudEffect cloud;
    cloud.SetTexture(static_cast<int32_t>(names_[0]));
    srand(7);
    cloud.Generate();
    constexpr int kGroup = 2;
    for (int g = 0; g < 16; ++g)
        if (g != kGroup) cloud.groups[g].texture = -1;
    cloud.position[0] = 5, cloud.position[1] = -7, cloud.position[2] = 11;

    const float t = 100, T = 1;  // alpha 0.75
    const auto vertices = Capture([&] { cloud.Draw(t); }, 1 << 20);
    const ParticleGroup& group = cloud.groups[kGroup];
    ASSERT_EQ(vertices.size(), static_cast<size_t>(group.count) * 6);  // two triangles a quad

    const Mat4 m = CloudMatrix(T, 5, -7, 11);
    int negativeSums = 0, positiveSums = 0;
    for (int i = 0; i < group.count; ++i) {
        const Vector3& b = group.points[i];
        const float sum = T * 250 + b.x;
        (sum < 0 ? negativeSums : positiveSums)++;
        const auto eye = Apply(m, std::fmod(sum, 800.0f) - 400, 2 * std::sin(7 * T + b.x) + b.y,
                               2 * std::cos(3.14f * i + 7 * T) + b.z);
        bool seen[4] = {};
        for (int k = 0; k < 6; ++k) {
            const FeedbackVertex& v = vertices[6 * i + k];
            const int right = v.s > 0.5f ? 1 : -1, up = v.t < 0.5f ? 1 : -1;
            seen[(v.s > 0.5f) + 2 * (v.t > 0.5f)] = true;
            ASSERT_NEAR(v.x, eye[0] + 10 * right, 0.05f) << "particle " << i;
            ASSERT_NEAR(v.y, eye[1] + 10 * up, 0.05f) << "particle " << i;
            ASSERT_NEAR(v.z, eye[2], 0.2f) << "particle " << i;
            ASSERT_NEAR(v.rgba[3], 0.75f, 1e-5f);
            ASSERT_EQ(v.rgba[0], 1.0f);
        }
        ASSERT_TRUE(seen[0] && seen[1] && seen[2] && seen[3]) << "particle " << i;
    }
    EXPECT_GT(negativeSums, 0);  // both sides of the wrap were drawn
    EXPECT_GT(positiveSums, 0);
}

// GL state as the cloud leaves it, drawn once from all states off and once
// from all on, with and without particles.
TEST_F(ParticleCloudRender, DrawLeavesItsStateWithOrWithoutParticles)
{
    for (bool generated : {false, true}) {
        CParticleCloudEffect cloud;
        cloud.SetTexture(static_cast<int32_t>(names_[0]));
        if (generated) {
            srand(3);
            cloud.Generate();
            cloud.groups[15].texture = static_cast<int32_t>(names_[1]);  // the last group's
        }
        for (bool start : {false, true}) {
            SCOPED_TRACE(testing::Message() << "generated " << generated << " from " << start);
            for (GLenum c : {GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_TEXTURE_2D, GL_FOG})
                start ? glEnable(c) : glDisable(c);
            glDepthMask(start ? GL_TRUE : GL_FALSE);
            glBlendFunc(GL_ZERO, GL_ZERO);
            glFogi(GL_FOG_MODE, GL_EXP);
            glFogf(GL_FOG_START, 1);
            glFogf(GL_FOG_END, 2);
            const GLfloat white[4] = {1, 1, 1, 1};
            glFogfv(GL_FOG_COLOR, white);
            glClearColor(1, 1, 1, 1);
            glColor4f(0, 0, 0, 0);
            glLoadIdentity();
            glTranslatef(1, 2, 3);
            glBindTexture(GL_TEXTURE_2D, 0);
            srand(1);
            const auto vertices = Capture([&] { cloud.Draw(50); }, 1 << 20);  // T 0.5: alpha 0.5
            EXPECT_EQ(rand(), 41);  // Draw takes no number

            GLboolean mask = GL_FALSE;
            glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
            const std::array<int, 6> on = {glIsEnabled(GL_BLEND),
                                           glIsEnabled(GL_DEPTH_TEST),
                                           glIsEnabled(GL_CULL_FACE),
                                           glIsEnabled(GL_TEXTURE_2D),
                                           mask,
                                           glIsEnabled(GL_FOG)};
            EXPECT_EQ(on, (std::array<int, 6>{1, 0, 0, 1, 0, 0}));
            std::array<GLint, 4> modes{};  // blend source and destination, fog mode, texture
            glGetIntegerv(GL_BLEND_SRC, &modes[0]);
            glGetIntegerv(GL_BLEND_DST, &modes[1]);
            glGetIntegerv(GL_FOG_MODE, &modes[2]);
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &modes[3]);
            const GLint bound = generated ? static_cast<GLint>(names_[1]) : 0;
            EXPECT_EQ(modes, (std::array<GLint, 4>{GL_SRC_ALPHA, GL_ONE, GL_LINEAR, bound}));
            const Mat4 fog = GetFloats(GL_FOG_COLOR), clear = GetFloats(GL_COLOR_CLEAR_VALUE);
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(fog[i], i < 3 ? 0 : 0.5f);
                EXPECT_EQ(clear[i], i < 3 ? 0 : 0.5f);
            }
            EXPECT_EQ(GetFloats(GL_FOG_START)[0], 200);
            EXPECT_EQ(GetFloats(GL_FOG_END)[0], 500);
            const Mat4 modelview = GetFloats(GL_MODELVIEW_MATRIX);
            const Mat4 expected = CloudMatrix(0.5f, 0, 0, 0);
            for (int i = 0; i < 16; ++i) EXPECT_NEAR(modelview[i], expected[i], 1e-4f) << i;
            // Without particles no group set a colour.
            EXPECT_EQ(GetFloats(GL_CURRENT_COLOR)[3], generated ? 0.5f : 0.0f);
            EXPECT_EQ(vertices.size() > 2400u * 6, generated);
            EXPECT_EQ(vertices.empty(), !generated);
        }
    }
}

// One white particle straight ahead of the eye: linear fog from 200 to 500
// in black scales it by (500 - depth) / 300, then it adds alpha times that.
TEST_F(ParticleCloudRender, ParticleIsFoggedByDepthAndAddedByAlpha)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.5, 0.5, -0.5, 0.5, 1, 1000);
    glMatrixMode(GL_MODELVIEW);

    CParticleCloudEffect cloud;
    ParticleGroup& group = cloud.groups[0];
    // At T = 0 the particle's x is fmod(400, 800) - 400 = 0; y and z cancel
    // the bob, so it stands at the cloud's centre.
    group.points.reset(new Vector3[1]{{400, -2 * std::sin(400.0f), -2}});
    group.count = 1;
    group.texture = static_cast<int32_t>(names_[0]);
    struct Case {
        float depth, fadeOutStart, red;
    };
    for (const Case& c : {Case{0, 300, 255 * 0.25f * 2 / 3},  // alpha 0.25, 300 deep
                          Case{0, 0, 255 * 2 / 3.0f},         // fading from T = 0: alpha 1
                          Case{-100, 0, 255 / 3.0f}}) {       // 400 deep
        cloud.position[2] = c.depth;
        cloud.fadeOutStart = c.fadeOutStart;
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        cloud.Draw(0);
        const uint32_t pixel = context_->PixelAt(500, 500);
        EXPECT_NEAR(static_cast<float>(pixel >> 24), c.red, 2) << "depth " << c.depth;
        EXPECT_EQ(pixel >> 24, (pixel >> 8) & 0xFF);      // grey
        EXPECT_EQ(context_->PixelAt(500, 440) >> 8, 0u);  // 20 units wide only
    }
}

}  // namespace
}  // namespace sunvale
