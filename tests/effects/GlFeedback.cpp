// Feedback-mode capture and matrix helpers for the effect tests.
#include "GlFeedback.h"

#include <GL/gl.h>

#include <cmath>

namespace sunvale::test {

namespace {
constexpr int kViewport = 1000;
constexpr int kFeedbackFloats = 1 << 17;
constexpr int kVertexFloats = 11;  // x y z, r g b a, s t r q
}  // namespace

OffscreenContext* GlTest::context_ = nullptr;

void GlTest::SetUpTestSuite()
{
    context_ = new OffscreenContext();
    if (!context_->Create(64, 64)) {
        delete context_;
        context_ = nullptr;
    }
}

void GlTest::TearDownTestSuite()
{
    delete context_;
    context_ = nullptr;
}

void GlTest::SetUp()
{
    if (context_ == nullptr) {
        if (RunningUnderCi()) {
            FAIL() << "no offscreen OpenGL context";
        }
        GTEST_SKIP() << "no offscreen OpenGL context";
    }
    context_->MakeCurrent();
    // A known starting state for every test.
    glViewport(0, 0, 64, 64);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBlendFunc(GL_ONE, GL_ZERO);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

void SetCaptureProjection()
{
    glViewport(0, 0, kViewport, kViewport);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-kCaptureExtent, kCaptureExtent, -kCaptureExtent, kCaptureExtent, -kCaptureDepth,
            kCaptureDepth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

std::vector<FeedbackPolygon> CaptureFeedback(const std::function<void()>& draw)
{
    std::vector<GLfloat> buffer(kFeedbackFloats);
    glFeedbackBuffer(kFeedbackFloats, GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<FeedbackPolygon> polygons;
    EXPECT_GE(used, 0) << "feedback buffer overflow";
    if (used < 0) {
        return polygons;
    }

    auto toEye = [](const GLfloat* v) {
        FeedbackVertex out{};
        out.x = (v[0] / (kViewport / 2.0f) - 1.0f) * kCaptureExtent;
        out.y = (v[1] / (kViewport / 2.0f) - 1.0f) * kCaptureExtent;
        out.z = -(2.0f * v[2] - 1.0f) * kCaptureDepth;
        out.r = v[3];
        out.g = v[4];
        out.b = v[5];
        out.a = v[6];
        out.s = v[7];
        out.t = v[8];
        return out;
    };

    GLint pos = 0;
    while (pos < used) {
        const GLfloat token = buffer[pos++];
        if (token != static_cast<GLfloat>(GL_POLYGON_TOKEN)) {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        const int count = static_cast<int>(buffer[pos++]);
        FeedbackPolygon polygon;
        for (int i = 0; i < count && pos + kVertexFloats <= used; ++i) {
            polygon.vertices.push_back(toEye(&buffer[pos]));
            pos += kVertexFloats;
        }
        polygons.push_back(polygon);
    }
    return polygons;
}

std::vector<FeedbackVertex> AllVertices(const std::vector<FeedbackPolygon>& polygons)
{
    std::vector<FeedbackVertex> all;
    for (const FeedbackPolygon& polygon : polygons) {
        all.insert(all.end(), polygon.vertices.begin(), polygon.vertices.end());
    }
    return all;
}

Mat4 Identity() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Mat4 Multiply(const Mat4& a, const Mat4& b)
{
    Mat4 out{};
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += static_cast<double>(a[k * 4 + row]) * b[col * 4 + k];
            }
            out[col * 4 + row] = static_cast<float>(sum);
        }
    }
    return out;
}

Mat4 Translation(float x, float y, float z)
{
    Mat4 m = Identity();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

Mat4 Rotation(float degrees, float x, float y, float z)
{
    const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    const double ux = x / length, uy = y / length, uz = z / length;
    const double radians = degrees * 3.14159265358979323846 / 180.0;
    const double c = std::cos(radians), s = std::sin(radians), d = 1.0 - c;
    Mat4 m = Identity();
    m[0] = float(ux * ux * d + c);
    m[1] = float(uy * ux * d + uz * s);
    m[2] = float(ux * uz * d - uy * s);
    m[4] = float(ux * uy * d - uz * s);
    m[5] = float(uy * uy * d + c);
    m[6] = float(uy * uz * d + ux * s);
    m[8] = float(ux * uz * d + uy * s);
    m[9] = float(uy * uz * d - ux * s);
    m[10] = float(uz * uz * d + c);
    return m;
}

std::array<float, 3> Transform(const Mat4& m, float x, float y, float z)
{
    return {m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
            m[2] * x + m[6] * y + m[10] * z + m[14]};
}

}  // namespace sunvale::test
