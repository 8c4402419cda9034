// Test helpers for effects: an offscreen GL context shared by a suite, and
// capture of drawn vertices through OpenGL feedback mode, mapped back from
// window coordinates to eye coordinates.
#pragma once

#include <array>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "app/OffscreenContext.h"

namespace sunvale::test {

// One vertex as feedback mode returns it, with its position in eye space.
struct FeedbackVertex {
    float x, y, z;     // eye coordinates
    float r, g, b, a;  // colour
    float s, t;        // texture coordinates
};

struct FeedbackPolygon {
    std::vector<FeedbackVertex> vertices;
};

// Eye-space box that the capture maps onto the viewport with an orthographic
// projection: x and y in [-kCaptureExtent, kCaptureExtent], z in
// [-kCaptureDepth, kCaptureDepth]. Anything the effects draw lies inside it,
// so nothing is clipped.
constexpr float kCaptureExtent = 1000.0f;
constexpr float kCaptureDepth = 4000.0f;

// Sets the capture projection (orthographic box above, viewport 1000 x 1000)
// and an identity modelview; leaves the modelview matrix mode current.
void SetCaptureProjection();

// Runs draw in feedback mode (GL_3D_COLOR_TEXTURE) and returns the polygons
// it produced, positions mapped back to eye space. Fails the test when the
// buffer overflows or a token is not a polygon.
std::vector<FeedbackPolygon> CaptureFeedback(const std::function<void()>& draw);

// All vertices of the captured polygons, in order.
std::vector<FeedbackVertex> AllVertices(const std::vector<FeedbackPolygon>& polygons);

// Column-major 4x4 matrix helpers (independent of GL) to predict positions.
using Mat4 = std::array<float, 16>;
Mat4 Identity();
Mat4 Multiply(const Mat4& a, const Mat4& b);
Mat4 Translation(float x, float y, float z);
Mat4 Rotation(float degrees, float x, float y, float z);
std::array<float, 3> Transform(const Mat4& m, float x, float y, float z);

// Fixture holding one offscreen context for the suite.
class GlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;

    static OffscreenContext* context_;
};

}  // namespace sunvale::test
