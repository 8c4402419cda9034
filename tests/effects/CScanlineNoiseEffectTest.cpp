// The scanline noise overlay: strip geometry, texture offsets with and
// without the random shift, and the state it leaves.
#include <gtest/gtest.h>

#include <cmath>

#include "EffectTestUtil.h"
#include "app/Random.h"
#include "effects/CImageQuadEffect.h"
#include "effects/CScanlineNoiseEffect.h"

namespace sunvale {
namespace {

using test::ExpectedCorner;

// Seeds whose first draw is even (r = 0) and odd (r = 1): the state after
// seed 0 is 2531011, giving 38; after seed 1 it gives 41.
constexpr uint32_t kSeedShiftOff = 0;
constexpr uint32_t kSeedShiftOn = 1;

// Strip corners in eye space (after the effect's translation), with texture
// offsets w_k = amp * sin(4k + 1.75).
std::vector<ExpectedCorner> StripCorners(double amp)
{
    std::vector<ExpectedCorner> corners;
    for (int k = 0; k < 128; ++k) {
        const int i = 4 * k;
        const float w = static_cast<float>(amp * std::sin(i + 1.75));
        const float row0 = i / 512.0f, row1 = (i + 1) / 512.0f;
        const float y0 = i - 0.5f - 140.0f, y1 = i + 0.5f - 140.0f;
        corners.push_back({-240.5f, y0, -240, w, row0});
        corners.push_back({783.5f, y0, -240, w + 1, row0});
        corners.push_back({783.5f, y1, -240, w + 1, row1});
        corners.push_back({-240.5f, y1, -240, w, row1});
    }
    return corners;
}

TEST(CScanlineNoiseStrips, FirstAndLastStripRowsAndTriangles)
{
    CScanlineNoiseEffect::Strips strips;
    CScanlineNoiseEffect::BuildStrips(0.0f, &strips);
    EXPECT_EQ(strips.texCoords[1], 0.0f);                // i = 0, P1 row 0
    EXPECT_EQ(strips.texCoords[2 * 2 + 1], 1.0f / 512);  // i = 0, P3 row 1/512
    const int last = 127 * 4;
    EXPECT_EQ(strips.positions[last * 3 + 1], 507.5f);
    EXPECT_EQ(strips.texCoords[last * 2 + 1], 508.0f / 512);
    EXPECT_EQ(strips.texCoords[(last + 2) * 2 + 1], 509.0f / 512);
    const uint32_t expected[6] = {508, 510, 509, 508, 511, 510};
    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(strips.indices[127 * 6 + n], expected[n]);
    }
}

TEST(CScanlineNoiseStrips, AmplitudeIsZeroWithoutShiftOrAtTimeOne)
{
    EXPECT_EQ(CScanlineNoiseEffect::Amplitude(0, 5000.0f), 0.0f);
    EXPECT_EQ(CScanlineNoiseEffect::Amplitude(1, 1.0f), 0.0f);
    EXPECT_EQ(CScanlineNoiseEffect::Amplitude(1, 1001.0f), -1000.0f);
}

class CScanlineNoiseEffectTest : public test::GlTest {};

TEST_F(CScanlineNoiseEffectTest, UnshiftedFrameShowsTextureInPlace)
{
    test::SetCaptureProjection();
    CScanlineNoiseEffect noise;
    srand(kSeedShiftOff);
    const auto vertices =
        test::AllVertices(test::CaptureFeedback([&] { noise.DrawOver(5000.0f, nullptr); }));
    EXPECT_EQ(vertices.size(), 128u * 6u);
    test::ExpectVerticesAreCorners(vertices, StripCorners(0.0));
    test::ExpectColour(vertices, 1, 1, 1, 0.5f);
}

TEST_F(CScanlineNoiseEffectTest, ShiftedFrameAtTimeOneIsUnshifted)
{
    test::SetCaptureProjection();
    CScanlineNoiseEffect noise;
    srand(kSeedShiftOn);
    const auto vertices =
        test::AllVertices(test::CaptureFeedback([&] { noise.DrawOver(1.0f, nullptr); }));
    test::ExpectVerticesAreCorners(vertices, StripCorners(0.0));
}

TEST_F(CScanlineNoiseEffectTest, ShiftedFrameOffsetsEachStripByItsSine)
{
    test::SetCaptureProjection();
    CScanlineNoiseEffect noise;
    srand(kSeedShiftOn);
    const auto vertices =
        test::AllVertices(test::CaptureFeedback([&] { noise.DrawOver(1.25f, nullptr); }));
    // amp = 1 - 1.25 = -0.25; offsets small enough to compare exactly-ish.
    test::ExpectVerticesAreCorners(vertices, StripCorners(-0.25));

    // A large amplitude: compare offsets relative to their size.
    srand(kSeedShiftOn);
    CScanlineNoiseEffect::Strips strips;
    CScanlineNoiseEffect::BuildStrips(CScanlineNoiseEffect::Amplitude(1, 1001.0f), &strips);
    for (int k = 0; k < 128; ++k) {
        EXPECT_NEAR(strips.texCoords[k * 8], -1000.0 * std::sin(4 * k + 1.75), 1e-3);
    }
}

TEST_F(CScanlineNoiseEffectTest, DrawsSourceFirstAndDrawAloneDrawsNothing)
{
    test::SetCaptureProjection();
    CScanlineNoiseEffect noise;
    EXPECT_TRUE(test::CaptureFeedback([&] { noise.Draw(3.0f); }).empty());
    CImageQuadEffect quad;
    const auto vertices =
        test::AllVertices(test::CaptureFeedback([&] { noise.DrawOver(3.0f, &quad); }));
    ASSERT_GT(vertices.size(), 4u);
    EXPECT_NEAR(vertices.front().z, -107.0f, 0.5f);
    EXPECT_NEAR(vertices.back().z, -240.0f, 0.5f);
}

TEST_F(CScanlineNoiseEffectTest, LeavesArraysEnabledCullingAndDepthTestOn)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    CScanlineNoiseEffect noise;
    noise.SetTexture(static_cast<int32_t>(name));
    glDisable(GL_DEPTH_TEST);
    noise.DrawOver(10.0f, nullptr);
    const auto state = test::ReadGlState();
    test::ExpectMatrixNear(state.modelview, test::Translation(-240, -140, -240));
    EXPECT_FALSE(state.blend);
    EXPECT_TRUE(state.cullFace);
    EXPECT_TRUE(state.depthTest);
    EXPECT_FALSE(state.depthWrites);
    EXPECT_FALSE(state.texture2d);
    EXPECT_EQ(state.boundTexture, 0);
    EXPECT_EQ(state.blendSource, GL_SRC_ALPHA);
    EXPECT_EQ(state.blendDestination, GL_DST_ALPHA);
    EXPECT_EQ(state.colour, (std::array<float, 4>{1, 1, 1, 0.5f}));
    EXPECT_TRUE(state.vertexArray);
    EXPECT_TRUE(state.texCoordArray);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDeleteTextures(1, &name);
}

}  // namespace
}  // namespace sunvale
