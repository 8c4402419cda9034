// What the effect and scene tests share: an offscreen context per suite,
// feedback-mode capture of the polygons a draw produces (mapped back to eye
// space under an orthographic box), modelview matrices built from the
// identity, 1 x 1 textures, and a replay of the show's generator.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/OffscreenContext.h"

namespace sunvale {

using Mat4 = std::array<float, 16>;

struct FeedbackVertex {
    float x, y, z;  // eye space
    std::array<float, 4> rgba;
    float s, t;
};
using FeedbackPolygon = std::vector<FeedbackVertex>;

// The show's generator replayed on its own: state * 214013 + 2531011,
// value (state >> 16) & 0x7FFF.
struct ShadowGenerator {
    uint32_t state;
    int Next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
    ShadowGenerator& Skip(int count)
    {
        while (count-- > 0) Next();
        return *this;
    }
};

// A suite drawing into a Width x Height context made before its first test.
// Without a context a test fails under CI and is skipped elsewhere; a
// derived SetUp returns at once when Ready() is false.
template <int Width, int Height>
class OffscreenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        context_ = std::make_unique<OffscreenContext>();
        if (!context_->Create(Width, Height)) context_.reset();
    }
    static void TearDownTestSuite() { context_.reset(); }
    void SetUp() override
    {
        if (context_ == nullptr) {
            if (RunningUnderCi()) FAIL() << "no offscreen OpenGL context";
            GTEST_SKIP() << "no offscreen OpenGL context";
        }
    }
    [[nodiscard]] bool Ready() const { return context_ != nullptr && !HasFatalFailure(); }

    // Projection glOrtho(-half, half, -half, half, -depth, depth) and an
    // identity modelview; Capture maps window coordinates back through it.
    static void UseOrtho(float half, float depth)
    {
        half_ = half, depth_ = depth;
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-half, half, -half, half, -depth, depth);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    // The polygons that draw produces, in order (GL_3D_COLOR_TEXTURE).
    static std::vector<FeedbackPolygon> CapturePolygons(const std::function<void()>& draw,
                                                        size_t floats = 1 << 18)
    {
        std::vector<GLfloat> b(floats);
        glFeedbackBuffer(static_cast<GLsizei>(b.size()), GL_3D_COLOR_TEXTURE, b.data());
        glRenderMode(GL_FEEDBACK);
        draw();
        const GLint used = glRenderMode(GL_RENDER);
        std::vector<FeedbackPolygon> out;
        GLint p = 0;
        while (p + 1 < used && b[p] == GL_POLYGON_TOKEN) {
            int n = static_cast<int>(b[p + 1]);
            out.emplace_back();
            for (p += 2; n-- > 0 && p + 11 <= used; p += 11) {  // x y z, r g b a, s t r q
                out.back().push_back({(b[p] / (Width / 2.0f) - 1) * half_,
                                      (b[p + 1] / (Height / 2.0f) - 1) * half_,
                                      (1 - 2 * b[p + 2]) * depth_,
                                      {b[p + 3], b[p + 4], b[p + 5], b[p + 6]},
                                      b[p + 7],
                                      b[p + 8]});
            }
        }
        EXPECT_GE(used, 0) << "feedback overflow";
        EXPECT_EQ(p, std::max(used, 0)) << "other than polygons in the feedback";
        return out;
    }
    // Their vertices in one list.
    static std::vector<FeedbackVertex> Capture(const std::function<void()>& draw,
                                               size_t floats = 1 << 18)
    {
        std::vector<FeedbackVertex> out;
        for (const FeedbackPolygon& polygon : CapturePolygons(draw, floats))
            out.insert(out.end(), polygon.begin(), polygon.end());
        return out;
    }

    static inline std::unique_ptr<OffscreenContext> context_;
    static inline float half_ = 1, depth_ = 1;
};

// The modelview matrix that ops build from the identity.
inline Mat4 MatrixOf(const std::function<void()>& ops)
{
    Mat4 m{};
    glPushMatrix();
    glLoadIdentity();
    ops();
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    glPopMatrix();
    return m;
}

// m applied to the point (x, y, z, 1).
inline std::array<float, 3> Apply(const Mat4& m, float x, float y, float z)
{
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14]};
}

// What glGetFloatv gives for which (at most 16 values).
inline Mat4 GetFloats(GLenum which)
{
    Mat4 m{};
    glGetFloatv(which, m.data());
    return m;
}

// A new 1 x 1 RGBA texture of the given texel, nearest filtering, left bound.
inline GLuint MakeTexture(uint32_t rgba)
{
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    const uint8_t texel[4] = {static_cast<uint8_t>(rgba >> 24), static_cast<uint8_t>(rgba >> 16),
                              static_cast<uint8_t>(rgba >> 8), static_cast<uint8_t>(rgba)};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    return name;
}

}  // namespace sunvale
