// The image quad: corners, texture coordinates, colour, placement, blend
// modes and the state it leaves, from real rendering.
#include <gtest/gtest.h>

#include "EffectTestUtil.h"
#include "effects/CImageQuadEffect.h"

namespace sunvale {
namespace {

using test::ExpectedCorner;

class CImageQuadEffectTest : public test::GlTest {};

TEST_F(CImageQuadEffectTest, DefaultQuadCornersAndTextureCoordinates)
{
    test::SetCaptureProjection();
    CImageQuadEffect quad;
    const auto vertices = test::AllVertices(test::CaptureFeedback([&] { quad.Draw(0.0f); }));
    // Default position (0, 0, -100) puts the plane z = -7 at -107; (0, 0) top left.
    test::ExpectVerticesAreCorners(vertices, {{-15, 15, -107, 0, 0},
                                              {15, 15, -107, 1, 0},
                                              {15, -15, -107, 1, 1},
                                              {-15, -15, -107, 0, 1}});
    test::ExpectColour(vertices, 1, 1, 1, 1);
}

TEST_F(CImageQuadEffectTest, PlacementIsTranslateScaleRotateOnIdentity)
{
    test::SetCaptureProjection();
    glTranslatef(500.0f, 0.0f, 0.0f);  // replaced by the quad's identity
    CImageQuadEffect quad;
    quad.position[0] = 3.0f;
    quad.position[1] = -2.0f;
    quad.position[2] = -15.0f;
    quad.scale[0] = 2.0f;
    quad.scale[1] = 0.5f;
    quad.angle = 90.0f;
    quad.axis[0] = 0.0f;
    quad.axis[1] = 0.0f;
    quad.axis[2] = 1.0f;
    quad.color[0] = 0.25f;
    quad.color[3] = 0.5f;
    const auto vertices = test::AllVertices(test::CaptureFeedback([&] { quad.Draw(123.0f); }));

    const test::Mat4 m = test::Multiply(
        test::Multiply(test::Translation(3, -2, -15),
                       [] {
                           test::Mat4 s = test::Identity();
                           s[0] = 2.0f;
                           s[5] = 0.5f;
                           return s;
                       }()),
        test::Rotation(90, 0, 0, 1));
    std::vector<ExpectedCorner> corners;
    for (const auto& c : CImageQuadEffect::Corners()) {
        const auto p = test::Transform(m, c.x, c.y, c.z);
        corners.push_back({p[0], p[1], p[2], c.s, c.t});
    }
    test::ExpectVerticesAreCorners(vertices, corners);
    test::ExpectColour(vertices, 0.25f, 1, 1, 0.5f);

    // A zero scale component collapses the quad onto a line.
    quad.angle = 0.0f;
    quad.scale[1] = 0.0f;
    for (const auto& v : test::AllVertices(test::CaptureFeedback([&] { quad.Draw(0.0f); }))) {
        EXPECT_NEAR(v.y, -2.0f, 0.05f);
    }
}

TEST_F(CImageQuadEffectTest, BlendModesSetTheirFunctionOthersKeepThePrevious)
{
    struct Case {
        int mode;
        GLenum source, destination;
    };
    const Case cases[] = {{0, GL_ONE, GL_ONE},
                          {1, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA},
                          {3, GL_SRC_ALPHA, GL_ONE},
                          {4, GL_ONE_MINUS_SRC_COLOR, GL_ONE},
                          {2, GL_DST_COLOR, GL_ZERO},
                          {7, GL_DST_COLOR, GL_ZERO}};
    CImageQuadEffect quad;
    for (const Case& c : cases) {
        glBlendFunc(GL_DST_COLOR, GL_ZERO);
        quad.blendMode = c.mode;
        quad.Draw(0.0f);
        const auto state = test::ReadGlState();
        EXPECT_EQ(state.blendSource, static_cast<GLint>(c.source)) << "mode " << c.mode;
        EXPECT_EQ(state.blendDestination, static_cast<GLint>(c.destination)) << "mode " << c.mode;
        EXPECT_TRUE(state.blend);
    }
}

TEST_F(CImageQuadEffectTest, LeavesItsTransformAndStateBehind)
{
    CImageQuadEffect quad;
    quad.blend = 0;
    quad.position[2] = -20.0f;
    quad.color[1] = 0.5f;
    quad.Draw(0.0f);
    const auto state = test::ReadGlState();
    EXPECT_FALSE(state.blend);
    EXPECT_FALSE(state.depthTest);
    EXPECT_FALSE(state.cullFace);
    EXPECT_FALSE(state.depthWrites);
    EXPECT_FALSE(state.texture2d);
    EXPECT_EQ(state.boundTexture, 0);
    EXPECT_EQ(state.colour, (std::array<float, 4>{1.0f, 0.5f, 1.0f, 1.0f}));
    test::ExpectMatrixNear(state.modelview, test::Translation(0, 0, -20));
}

// Renders the quad full-screen over black and returns the centre pixel.
uint32_t CentrePixelOfQuad(CImageQuadEffect& quad, OffscreenContext* context)
{
    glViewport(0, 0, context->Width(), context->Height());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.5, 0.5, -0.375, 0.375, 1, 1000);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    quad.position[2] = -15.0f;
    quad.Draw(0.0f);
    glFinish();
    return context->PixelAt(context->Width() / 2, context->Height() / 2);
}

TEST_F(CImageQuadEffectTest, OpaqueTextureIsModulatedByColour)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const uint8_t texel[4 * 4] = {200, 100, 40, 255, 200, 100, 40, 255,
                                  200, 100, 40, 255, 200, 100, 40, 255};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);

    CImageQuadEffect quad;
    quad.SetTexture(static_cast<int32_t>(name));
    quad.blend = 0;     // opaque whatever the mode
    quad.blendMode = 0;
    quad.color[0] = 0.5f;
    const uint32_t pixel = CentrePixelOfQuad(quad, context_);
    EXPECT_NEAR(static_cast<int>(pixel >> 24), 100, 2);
    EXPECT_NEAR(static_cast<int>((pixel >> 16) & 0xFF), 100, 2);
    EXPECT_NEAR(static_cast<int>((pixel >> 8) & 0xFF), 40, 2);
    glDeleteTextures(1, &name);
}

TEST_F(CImageQuadEffectTest, FailedTextureDrawsUntexturedInColour)
{
    CImageQuadEffect quad;
    quad.SetTexture(-1);
    EXPECT_EQ(quad.texture, -1);
    quad.blend = 0;
    quad.color[0] = 0.0f;
    quad.color[1] = 1.0f;
    quad.color[2] = 0.0f;
    const uint32_t pixel = CentrePixelOfQuad(quad, context_);
    EXPECT_EQ(pixel >> 8, 0x00FF00u);
}

}  // namespace
}  // namespace sunvale
