// Corner matching and GL state snapshots for the effect tests.
#include "EffectTestUtil.h"

#include <cmath>

#include <gtest/gtest.h>

namespace sunvale::test {

namespace {
bool Near(float a, float b, float tolerance) { return std::fabs(a - b) <= tolerance; }
}  // namespace

void ExpectVerticesAreCorners(const std::vector<FeedbackVertex>& vertices,
                              const std::vector<ExpectedCorner>& corners, float tolerance)
{
    ASSERT_FALSE(vertices.empty());
    std::vector<bool> seen(corners.size(), false);
    for (const FeedbackVertex& v : vertices) {
        bool matched = false;
        for (size_t c = 0; c < corners.size(); ++c) {
            const ExpectedCorner& e = corners[c];
            if (Near(v.x, e.x, tolerance) && Near(v.y, e.y, tolerance) &&
                Near(v.z, e.z, tolerance * 4) && Near(v.s, e.s, 1e-4f) && Near(v.t, e.t, 1e-4f)) {
                seen[c] = true;
                matched = true;
            }
        }
        EXPECT_TRUE(matched) << "unexpected vertex (" << v.x << ", " << v.y << ", " << v.z
                             << ") tex (" << v.s << ", " << v.t << ")";
    }
    for (size_t c = 0; c < corners.size(); ++c) {
        EXPECT_TRUE(seen[c]) << "corner " << c << " (" << corners[c].x << ", " << corners[c].y
                             << ", " << corners[c].z << ") tex (" << corners[c].s << ", "
                             << corners[c].t << ") not drawn";
    }
}

void ExpectColour(const std::vector<FeedbackVertex>& vertices, float r, float g, float b, float a)
{
    for (const FeedbackVertex& v : vertices) {
        EXPECT_NEAR(v.r, r, 1e-5f);
        EXPECT_NEAR(v.g, g, 1e-5f);
        EXPECT_NEAR(v.b, b, 1e-5f);
        EXPECT_NEAR(v.a, a, 1e-5f);
    }
}

GlStateSnapshot ReadGlState()
{
    GlStateSnapshot state{};
    state.blend = glIsEnabled(GL_BLEND);
    state.depthTest = glIsEnabled(GL_DEPTH_TEST);
    state.cullFace = glIsEnabled(GL_CULL_FACE);
    state.texture2d = glIsEnabled(GL_TEXTURE_2D);
    state.vertexArray = glIsEnabled(GL_VERTEX_ARRAY);
    state.texCoordArray = glIsEnabled(GL_TEXTURE_COORD_ARRAY);
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    state.depthWrites = mask == GL_TRUE;
    glGetIntegerv(GL_BLEND_SRC, &state.blendSource);
    glGetIntegerv(GL_BLEND_DST, &state.blendDestination);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.boundTexture);
    glGetFloatv(GL_CURRENT_COLOR, state.colour.data());
    glGetFloatv(GL_COLOR_CLEAR_VALUE, state.clearColour.data());
    glGetFloatv(GL_MODELVIEW_MATRIX, state.modelview.data());
    return state;
}

void ExpectMatrixNear(const std::array<float, 16>& actual, const Mat4& expected, float tolerance)
{
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(actual[i], expected[i], tolerance) << "matrix element " << i;
    }
}

}  // namespace sunvale::test
