// Expectations shared by the effect tests: corner matching of captured
// vertices and a snapshot of the GL state an effect leaves behind.
#pragma once

#include <GL/gl.h>

#include <array>
#include <string>
#include <vector>

#include "GlFeedback.h"

namespace sunvale::test {

struct ExpectedCorner {
    float x, y, z;  // eye space
    float s, t;
};

// Every captured vertex is one of the expected corners (position and
// texture coordinate within tolerance), and every expected corner appears.
void ExpectVerticesAreCorners(const std::vector<FeedbackVertex>& vertices,
                              const std::vector<ExpectedCorner>& corners, float tolerance = 0.05f);

// Every captured vertex has this colour.
void ExpectColour(const std::vector<FeedbackVertex>& vertices, float r, float g, float b, float a);

struct GlStateSnapshot {
    bool blend, depthTest, cullFace, texture2d, depthWrites, vertexArray, texCoordArray;
    GLint blendSource, blendDestination, boundTexture;
    std::array<float, 4> colour, clearColour;
    std::array<float, 16> modelview;
};

GlStateSnapshot ReadGlState();

void ExpectMatrixNear(const std::array<float, 16>& actual, const Mat4& expected,
                      float tolerance = 1e-3f);

}  // namespace sunvale::test
