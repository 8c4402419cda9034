// The plane fan and plane star: plane geometry, motion, alpha, colour and
// the state each leaves, from real rendering in feedback mode.
#include <gtest/gtest.h>

#include <cmath>

#include "EffectTestUtil.h"
#include "effects/CPlaneFanEffect.h"
#include "effects/CPlaneStarEffect.h"
#include "effects/PlaneGeometry.h"

namespace sunvale {
namespace {

using test::ExpectedCorner;

// Corners of sixteen planes drawn at base, each next one turned by step
// degrees about (ax, ay, az), texture offset (u, 0).
std::vector<ExpectedCorner> PlaneStackCorners(const test::Mat4& base, float step, float ax,
                                              float ay, float az, float u)
{
    std::vector<ExpectedCorner> corners;
    test::Mat4 m = base;
    for (int plane = 0; plane < 16; ++plane) {
        for (const PlaneCorner& c : PlaneCorners(u, 0.0f)) {
            const auto p = test::Transform(m, c.x, c.y, 0.0f);
            corners.push_back({p[0], p[1], p[2], c.s, c.t});
        }
        m = test::Multiply(m, test::Rotation(step, ax, ay, az));
    }
    return corners;
}

test::Mat4 FanTransform(float t)
{
    test::Mat4 m = test::Translation(0, 0, -400);
    m = test::Multiply(m, test::Rotation(0.5f * t, 1, 0, 0));
    m = test::Multiply(m, test::Rotation(CPlaneFanEffect::SwayDegrees(t), 0, 0, 1));
    return test::Multiply(m, test::Rotation(180, 0, 1, 0));
}

TEST(PlaneGeometry, CornersOffsetTextureCoordinates)
{
    const auto c = PlaneCorners(0.25f, 0.5f);
    EXPECT_EQ(c[0].x, -300.0f);
    EXPECT_EQ(c[0].y, 300.0f);
    EXPECT_EQ(c[0].s, 0.25f);
    EXPECT_EQ(c[0].t, 0.5f);
    EXPECT_EQ(c[2].x, 300.0f);
    EXPECT_EQ(c[2].y, -300.0f);
    EXPECT_EQ(c[2].s, 1.25f);
    EXPECT_EQ(c[2].t, 1.5f);
}

TEST(CPlaneFanEffectMotion, AtTimeZeroSwaysTenDegreesWithAlphaPoint135)
{
    EXPECT_EQ(CPlaneFanEffect::SpinDegrees(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(CPlaneFanEffect::SwayDegrees(0.0f), 10.0f);
    EXPECT_EQ(CPlaneFanEffect::TextureOffset(0.0f), 0.0f);
    EXPECT_FLOAT_EQ(CPlaneFanEffect::Alpha(0.0f), 0.135f);
}

TEST(CPlaneFanEffectMotion, AlphaAndSwayStayInTheirRanges)
{
    float lowest = 1.0f, highest = 0.0f, swayLow = 100.0f, swayHigh = -100.0f;
    for (int tick = 0; tick < 20000; ++tick) {
        const float t = static_cast<float>(tick) * 0.75f;
        const float alpha = CPlaneFanEffect::Alpha(t);
        lowest = std::min(lowest, alpha);
        highest = std::max(highest, alpha);
        swayLow = std::min(swayLow, CPlaneFanEffect::SwayDegrees(t));
        swayHigh = std::max(swayHigh, CPlaneFanEffect::SwayDegrees(t));
    }
    EXPECT_GE(lowest, 0.06f - 1e-6f);
    EXPECT_LE(highest, 0.24f + 1e-6f);
    EXPECT_NEAR(lowest, 0.06f, 1e-4f);
    EXPECT_NEAR(highest, 0.24f, 1e-4f);
    EXPECT_NEAR(swayLow, -20.0f, 1e-3f);
    EXPECT_NEAR(swayHigh, 40.0f, 1e-3f);
}

class CPlaneFanEffectTest : public test::GlTest {};

TEST_F(CPlaneFanEffectTest, SixteenPlanesAtTimeZero)
{
    test::SetCaptureProjection();
    CPlaneFanEffect fan;
    const auto vertices = test::AllVertices(test::CaptureFeedback([&] { fan.Draw(0.0f); }));
    test::ExpectVerticesAreCorners(vertices, PlaneStackCorners(FanTransform(0.0f), 6, 1, 0, 0, 0));
    test::ExpectColour(vertices, 1, 1, 1, 0.135f);
}

TEST_F(CPlaneFanEffectTest, PlanesSpinSwayAndScrollWithTime)
{
    test::SetCaptureProjection();
    CPlaneFanEffect fan;
    const float t = 130.0f;
    const auto vertices = test::AllVertices(test::CaptureFeedback([&] { fan.Draw(t); }));
    test::ExpectVerticesAreCorners(vertices,
                                   PlaneStackCorners(FanTransform(t), 6, 1, 0, 0, 0.001f * t));
    test::ExpectColour(vertices, 1, 1, 1, CPlaneFanEffect::Alpha(t));
}

TEST_F(CPlaneFanEffectTest, TransformAccumulatesOntoTheCurrentMatrix)
{
    CPlaneFanEffect fan;
    glLoadIdentity();
    fan.Draw(40.0f);
    auto state = test::ReadGlState();
    test::ExpectMatrixNear(state.modelview, FanTransform(40.0f));
    fan.Draw(40.0f);
    state = test::ReadGlState();
    test::ExpectMatrixNear(state.modelview, test::Multiply(FanTransform(40.0f), FanTransform(40.0f)));
}

TEST_F(CPlaneFanEffectTest, LeavesTexturingAndBlendingOffCullingAndDepthTestOn)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    CPlaneFanEffect fan;
    fan.SetTexture(static_cast<int32_t>(name));
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    fan.Draw(100.0f);
    const auto state = test::ReadGlState();
    EXPECT_FALSE(state.texture2d);
    EXPECT_FALSE(state.blend);
    EXPECT_TRUE(state.cullFace);
    EXPECT_TRUE(state.depthTest);
    EXPECT_FALSE(state.depthWrites);
    EXPECT_EQ(state.blendSource, GL_SRC_ALPHA);
    EXPECT_EQ(state.blendDestination, GL_ONE);
    EXPECT_EQ(state.boundTexture, static_cast<GLint>(name));
    EXPECT_EQ(state.colour, (std::array<float, 4>{1, 1, 1, CPlaneFanEffect::Alpha(100.0f)}));
    glDeleteTextures(1, &name);
}

class CPlaneStarEffectTest : public test::GlTest {};

TEST_F(CPlaneStarEffectTest, SixteenPlanesAboutTheVerticalAxisInFixedColour)
{
    test::SetCaptureProjection();
    glTranslatef(10.0f, -10.0f, -300.0f);
    glRotatef(33.0f, 0.0f, 1.0f, 0.0f);
    const test::Mat4 base =
        test::Multiply(test::Translation(10, -10, -300), test::Rotation(33, 0, 1, 0));
    CPlaneStarEffect star;
    const auto polygons = test::CaptureFeedback([&] { star.Draw(0.0f); });
    const auto vertices = test::AllVertices(polygons);
    EXPECT_GE(polygons.size(), 16u);  // sixteen planes, none culled
    test::ExpectVerticesAreCorners(vertices, PlaneStackCorners(base, 45, 0, 1, 0, 0));
    test::ExpectColour(vertices, 0.3f, 0.3f, 0.3f, 1.0f);

    // The time value is ignored: another time draws the same vertices.
    const auto again = test::AllVertices(test::CaptureFeedback([&] { star.Draw(5000.0f); }));
    ASSERT_EQ(again.size(), vertices.size());
    for (size_t i = 0; i < vertices.size(); ++i) {
        EXPECT_EQ(again[i].x, vertices[i].x);
        EXPECT_EQ(again[i].y, vertices[i].y);
        EXPECT_EQ(again[i].z, vertices[i].z);
    }
}

TEST_F(CPlaneStarEffectTest, LeavesMatrixUnchangedAndEverythingOff)
{
    CPlaneStarEffect star;
    star.color[3] = 0.25f;
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, 3.0f);
    star.Draw(1.0f);
    const auto state = test::ReadGlState();
    test::ExpectMatrixNear(state.modelview, test::Translation(1, 2, 3));
    EXPECT_FALSE(state.texture2d);
    EXPECT_FALSE(state.blend);
    EXPECT_FALSE(state.cullFace);
    EXPECT_FALSE(state.depthTest);
    EXPECT_FALSE(state.depthWrites);
    EXPECT_EQ(state.boundTexture, 0);
    EXPECT_EQ(state.colour, (std::array<float, 4>{0.3f, 0.3f, 0.3f, 0.25f}));
    EXPECT_EQ(state.clearColour, (std::array<float, 4>{0, 0, 0, 0.5f}));
}

}  // namespace
}  // namespace sunvale
