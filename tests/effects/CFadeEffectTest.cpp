// The fade overlay: alpha for fades and both pulses, the covering quad, and
// the state it leaves, from real rendering in feedback mode.
#include <gtest/gtest.h>

#include <cmath>

#include "EffectTestUtil.h"
#include "effects/CFadeEffect.h"
#include "effects/CImageQuadEffect.h"

namespace sunvale {
namespace {

constexpr float kPi = 3.14159265358979f;

// The overlay quad winds clockwise and the fade leaves face culling as it
// finds it: the scenes draw it right after its source, the image quad, which
// turns culling off. These tests do the same.
class CFadeEffectTest : public test::GlTest {
protected:
    void SetUp() override
    {
        test::GlTest::SetUp();
        glDisable(GL_CULL_FACE);
    }
};

// Alpha of the overlay as drawn, read from the captured vertices.
float DrawnAlpha(CFadeEffect& fade, float t)
{
    test::SetCaptureProjection();
    const auto vertices =
        test::AllVertices(test::CaptureFeedback([&] { fade.DrawOver(t, nullptr); }));
    EXPECT_FALSE(vertices.empty());
    return vertices.empty() ? -1.0f : vertices.front().a;
}

TEST_F(CFadeEffectTest, OverlayCoversTheViewThirteenUnitsAhead)
{
    test::SetCaptureProjection();
    CFadeEffect fade;
    fade.color[0] = 0.1f;
    fade.color[1] = 0.2f;
    fade.color[2] = 0.3f;
    const auto vertices =
        test::AllVertices(test::CaptureFeedback([&] { fade.DrawOver(0.0f, nullptr); }));
    test::ExpectVerticesAreCorners(vertices, {{-15, 15, -13, 0, 0},
                                              {15, 15, -13, 1, 0},
                                              {15, -15, -13, 1, 1},
                                              {-15, -15, -13, 0, 1}});
    test::ExpectColour(vertices, 0.1f, 0.2f, 0.3f, 0.2f);  // default pulse, sine 0
}

TEST_F(CFadeEffectTest, SpeedZeroPulsesAtConstantPointTwo)
{
    CFadeEffect fade;
    fade.speed = 0.0f;
    for (float t : {0.0f, 17.0f, 5000.0f}) {
        EXPECT_FLOAT_EQ(DrawnAlpha(fade, t), 0.2f);
    }
    fade.speed = -0.0f;  // not negative: pulses too
    EXPECT_FLOAT_EQ(DrawnAlpha(fade, 300.0f), 0.2f);
    EXPECT_FLOAT_EQ(fade.Alpha(1e6f), 0.2f);
}

TEST_F(CFadeEffectTest, NegativeSpeedFadesOutLinearly)
{
    CFadeEffect fade;
    fade.speed = -0.0025f;
    EXPECT_FLOAT_EQ(DrawnAlpha(fade, 0.0f), 1.0f);
    EXPECT_NEAR(DrawnAlpha(fade, 200.0f), 0.5f, 1e-6f);
    EXPECT_EQ(DrawnAlpha(fade, 400.0f), 0.0f);
    EXPECT_EQ(fade.Alpha(1000.0f), 0.0f);
    // No upper clamp: a negative time gives more than 1.
    EXPECT_FLOAT_EQ(fade.Alpha(-100.0f), 1.25f);
}

TEST_F(CFadeEffectTest, StrongAndWeakPulsePeaksAndTroughs)
{
    CFadeEffect fade;
    fade.speed = 0.25f;
    fade.strongPulse = 1;
    EXPECT_NEAR(DrawnAlpha(fade, 2.0f * kPi), 1.0f, 1e-5f);
    EXPECT_EQ(DrawnAlpha(fade, 6.0f * kPi), 0.0f);  // clamped from -0.6
    fade.strongPulse = 0;
    EXPECT_NEAR(DrawnAlpha(fade, 2.0f * kPi), 0.6f, 1e-5f);
    EXPECT_EQ(DrawnAlpha(fade, 6.0f * kPi), 0.0f);  // clamped from -0.2
    // Weak pulse is clear once the sine falls below -0.5.
    EXPECT_EQ(fade.Alpha(std::asin(-0.55f) / 0.25f + 8.0f * kPi), 0.0f);
    EXPECT_GT(fade.Alpha(std::asin(-0.45f) / 0.25f + 8.0f * kPi), 0.0f);
}

TEST_F(CFadeEffectTest, DrawAloneDrawsNothing)
{
    test::SetCaptureProjection();
    CFadeEffect fade;
    EXPECT_TRUE(test::CaptureFeedback([&] { fade.Draw(1.0f); }).empty());
}

TEST_F(CFadeEffectTest, DrawsSourceFirstWithTheSameTime)
{
    test::SetCaptureProjection();
    CImageQuadEffect quad;
    quad.color[3] = 0.75f;
    CFadeEffect fade;
    const auto polygons = test::CaptureFeedback([&] { fade.DrawOver(0.0f, &quad); });
    const auto vertices = test::AllVertices(polygons);
    ASSERT_GE(vertices.size(), 8u);
    // The quad's vertices (z = -107) come before the overlay's (z = -13).
    EXPECT_NEAR(vertices.front().z, -107.0f, 0.5f);
    EXPECT_FLOAT_EQ(vertices.front().a, 0.75f);
    EXPECT_NEAR(vertices.back().z, -13.0f, 0.5f);
    EXPECT_FLOAT_EQ(vertices.back().a, 0.2f);
}

TEST_F(CFadeEffectTest, LeavesBlendingOffDepthTestOffDepthWritesOn)
{
    CFadeEffect fade;
    fade.speed = -0.0025f;
    fade.color[0] = 0.0f;
    glEnable(GL_TEXTURE_2D);
    glDepthMask(GL_FALSE);
    fade.DrawOver(200.0f, nullptr);
    const auto state = test::ReadGlState();
    test::ExpectMatrixNear(state.modelview, test::Translation(0, 0, -6));
    EXPECT_FALSE(state.blend);
    EXPECT_FALSE(state.depthTest);
    EXPECT_TRUE(state.depthWrites);
    EXPECT_FALSE(state.texture2d);
    EXPECT_EQ(state.boundTexture, 0);
    EXPECT_EQ(state.blendSource, GL_SRC_ALPHA);
    EXPECT_EQ(state.blendDestination, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_EQ(state.colour[0], 0.0f);
    EXPECT_EQ(state.colour[1], 1.0f);
    EXPECT_NEAR(state.colour[3], 0.5f, 1e-6f);
}

}  // namespace
}  // namespace sunvale
