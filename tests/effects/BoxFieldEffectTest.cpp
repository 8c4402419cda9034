// The box field: its heights and the generator state it leaves, one box
// captured in feedback mode (faces, colours, winding), the whole field
// captured and mapped back to world space through the camera it leaves
// behind (checked against one computed here), the GL state it leaves, and
// real pixels (fog, depth test, grey only).
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "OffscreenTest.h"
#include "app/Random.h"
#include "effects/CBoxFieldEffect.h"

namespace sunvale {
namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kSize = 400;  // viewport, pixels

using Vertex = FeedbackVertex;
std::array<float, 3> P(const Vertex& v) { return {v.x, v.y, v.z}; }

// A look-at view computed here: rows side, up, -forward; then -eye.
Mat4 LookAt(const std::array<double, 3>& eye, const std::array<double, 3>& centre,
            const std::array<double, 3>& up)
{
    const auto cross = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        return std::array<double, 3>{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],
                                     a[0] * b[1] - a[1] * b[0]};
    };
    const auto unit = [](std::array<double, 3> v) {
        const double n = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        for (double& c : v) c /= n;
        return v;
    };
    const auto f = unit({centre[0] - eye[0], centre[1] - eye[1], centre[2] - eye[2]});
    const auto s = unit(cross(f, up));
    const auto u = cross(s, f);
    const std::array<std::array<double, 3>, 3> rows = {s, u, {-f[0], -f[1], -f[2]}};
    Mat4 m{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) m[c * 4 + r] = static_cast<float>(rows[r][c]);
        m[12 + r] =
            static_cast<float>(-(rows[r][0] * eye[0] + rows[r][1] * eye[1] + rows[r][2] * eye[2]));
    }
    m[15] = 1;
    return m;
}

// World point of an eye-space point under the rigid view m.
std::array<float, 3> ToWorld(const Mat4& m, const std::array<float, 3>& e)
{
    std::array<float, 3> w{};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r) w[c] += m[c * 4 + r] * (e[r] - m[12 + r]);
    return w;
}

// The axis (0 x, 1 y, 2 z) along which a triangle is flat, -1 if none.
int FlatAxis(const std::array<std::array<float, 3>, 3>& tri)
{
    for (int a = 0; a < 3; ++a)
        if (std::fabs(tri[0][a] - tri[1][a]) < 1e-3f && std::fabs(tri[0][a] - tri[2][a]) < 1e-3f)
            return a;
    return -1;
}

// An orthographic box x, y in [-40, 40], z in [-60, 60], identity modelview.
class BoxFieldRender : public OffscreenTest<kSize, kSize> {
protected:
    void SetUp() override
    {
        OffscreenTest::SetUp();
        if (Ready()) UseOrtho(40, 60);
    }
};

TEST(BoxField, ReseedsTheGeneratorFromItsFirstNumberThenDrawsAThousandHeights)
{
    // Seed 1: the first number is 41, so the field reseeds with 41 % 81 = 41.
    // Seed 12345: 7584, reseeded with 51.
    struct Case {
        uint32_t seed;
        std::array<float, 8> first;
        std::array<float, 3> last;
        std::array<int, 5> counts;
        int next;
    };
    const Case cases[] = {
        {1, {2, 0, 0, 2, 3, 3, 4, 1}, {4, 2, 1}, {191, 184, 217, 202, 206}, 9432},
        {12345, {0, 0, 2, 0, 0, 2, 0, 1}, {1, 2, 0}, {211, 197, 211, 185, 196}, 21507},
    };
    for (const Case& c : cases) {
        srand(c.seed);
        const auto field = std::make_unique<CBoxFieldEffect>();
        EXPECT_EQ(rand(), c.next) << "seed " << c.seed;  // the generator went on from the reseed
        std::array<int, 5> counts{};
        for (float h : field->heights) {
            ASSERT_TRUE(h == 0 || h == 1 || h == 2 || h == 3 || h == 4) << h;
            ++counts[static_cast<size_t>(h)];
        }
        EXPECT_EQ(counts, c.counts);
        for (size_t n = 0; n < 8; ++n) EXPECT_EQ(field->heights[n], c.first[n]) << n;
        for (size_t n = 0; n < 3; ++n) EXPECT_EQ(field->heights[997 + n], c.last[n]) << n;
    }
}

// One box: six faces of two triangles, 24 distinct corner-and-colour
// vertices, each face pair in its own colour, in the order -z +z -x +x -y +y,
// and both faces of a pair wound the same way (so one of them faces out,
// the other in).
TEST_F(BoxFieldRender, OneBoxHasSixFacesInTheirPairsColours)
{
    const float colors[12] = {0.1f, 0.2f, 0.3f, 0.4f,  0.5f, 0.6f,
                              0.7f, 0.8f, 0.9f, 0.25f, 0.5f, 0.75f};
    const std::array<std::array<float, 4>, 3> pairColour = {
        {{0.1f, 0.4f, 0.7f, 0.25f}, {0.2f, 0.5f, 0.8f, 0.5f}, {0.3f, 0.6f, 0.9f, 0.75f}}};
    const float half[3] = {1.5f, 2.5f, 3.5f};
    const auto vertices =
        Capture([&] { CBoxFieldEffect::DrawBox(half[0], half[1], half[2], colors); });
    ASSERT_EQ(vertices.size(), 36u);

    std::set<std::array<float, 7>> distinct;
    for (const Vertex& v : vertices) {
        for (int a = 0; a < 3; ++a) EXPECT_NEAR(std::fabs(P(v)[a]), half[a], 1e-3f) << a;
        distinct.insert({std::round(P(v)[0]), std::round(P(v)[1]), std::round(P(v)[2]), v.rgba[0],
                         v.rgba[1], v.rgba[2], v.rgba[3]});
    }
    EXPECT_EQ(distinct.size(), 24u);

    const int faceAxis[6] = {2, 2, 0, 0, 1, 1};
    const float faceSign[6] = {-1, 1, -1, 1, -1, 1};
    const float pairTurn[3] = {-1, 1, 1};
    for (int tri = 0; tri < 12; ++tri) {
        const int face = tri / 2;
        std::array<std::array<float, 3>, 3> corners{};
        for (int c = 0; c < 3; ++c) corners[c] = P(vertices[tri * 3 + c]);
        const int axis = FlatAxis(corners);
        ASSERT_EQ(axis, faceAxis[face]) << "triangle " << tri;
        EXPECT_NEAR(corners[0][axis], faceSign[face] * half[axis], 1e-3f) << "triangle " << tri;
        for (int c = 0; c < 3; ++c)
            for (int ch = 0; ch < 4; ++ch)
                EXPECT_NEAR(vertices[tri * 3 + c].rgba[ch], pairColour[face / 2][ch], 1e-6f);
        // Winding: both faces of a pair turn the same way, towards -z, +x, +y.
        const auto& [p, q, r] = corners;
        const float e1[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
        const float e2[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
        const float normal[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                 e1[0] * e2[1] - e1[1] * e2[0]};
        EXPECT_GT(normal[axis] * pairTurn[face / 2], 0.0f) << "triangle " << tri;
    }

    GLfloat current[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, current);
    for (int ch = 0; ch < 4; ++ch) EXPECT_NEAR(current[ch], pairColour[2][ch], 1e-6f);
}

// The whole field at several times, mapped back to world space through the
// view that Draw leaves current: a thousand 2 x 4 x 2 boxes in drawing
// order, each at its place and height, shaded by face pair.
TEST_F(BoxFieldRender, FieldDrawsEveryBoxAtItsPlaceAndHeight)
{
    srand(3);
    CBoxFieldEffect field;
    for (float t : {0.0f, 2 * kPi, 6 * kPi, 12100.0f}) {
        SCOPED_TRACE(testing::Message() << "t " << t);
        UseOrtho(40, 60);
        glEnable(GL_CULL_FACE);   // the field turns culling off: every face comes back
        glTranslatef(100, 0, 0);  // replaced by the field's own view
        const auto vertices = Capture([&] { field.Draw(t); }, 1 << 19);
        ASSERT_EQ(vertices.size(), 1000u * 36u);

        Mat4 view{};
        glGetFloatv(GL_MODELVIEW_MATRIX, view.data());
        const double a = static_cast<double>(t * 0.02f);
        const Mat4 expectedView = LookAt({5 * std::sin(a), 5, 5 * std::cos(a)}, {5, -5, 5},
                                         {std::sin(2 * a), std::cos(2 * a), 1});
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(view[i], expectedView[i], 1e-5f) << i;

        const float s = std::sin(t * 0.25f);
        float highest = -100, lowest = 100;
        for (int n = 0; n < 1000; ++n) {
            std::array<float, 3> lo = {1e9f, 1e9f, 1e9f}, hi = {-1e9f, -1e9f, -1e9f};
            for (int v = 0; v < 36; ++v) {
                const Vertex& vertex =
                    vertices[static_cast<size_t>(n) * 36 + static_cast<size_t>(v)];
                const auto w = ToWorld(view, P(vertex));
                for (int a = 0; a < 3; ++a)
                    lo[a] = std::min(lo[a], w[a]), hi[a] = std::max(hi[a], w[a]);
            }
            const int i = n / 100, k = n % 10;
            const float expected[3] = {2.5f * i - 5, field.heights[n] * s - 5, 2.5f * k - 5};
            const float halfExtent[3] = {1, 2, 1};
            for (int a = 0; a < 3; ++a) {
                ASSERT_NEAR((lo[a] + hi[a]) / 2, expected[a], 2e-3f)
                    << "box " << n << " axis " << a;
                ASSERT_NEAR((hi[a] - lo[a]) / 2, halfExtent[a], 2e-3f) << "box " << n;
            }
            highest = std::max(highest, expected[1]);
            lowest = std::min(lowest, expected[1]);
            // Faces: two triangles each, -z +z -x +x -y +y, grey 0.2, 0.3, 0.6.
            for (int tri = 0; tri < 12; ++tri) {
                const float grey = tri < 4 ? 0.2f : tri < 8 ? 0.3f : 0.6f;
                const Vertex& vertex =
                    vertices[static_cast<size_t>(n) * 36 + static_cast<size_t>(tri) * 3];
                ASSERT_EQ(vertex.rgba, (std::array<float, 4>{grey, grey, grey, grey}))
                    << "box " << n << " triangle " << tri;
            }
        }
        if (t == 0) {
            EXPECT_EQ(highest, -5.0f);
            EXPECT_EQ(lowest, -5.0f);
        } else if (t == 2 * kPi) {
            EXPECT_NEAR(highest, -1.0f, 1e-5f);  // a factor of 4 at the top of the swing
        } else if (t == 6 * kPi) {
            EXPECT_NEAR(lowest, -9.0f, 1e-5f);  // and at the bottom
        }
    }
}

TEST_F(BoxFieldRender, LeavesItsDocumentedState)
{
    srand(1);
    CBoxFieldEffect field;
    for (GLenum c : {GL_CULL_FACE, GL_BLEND, GL_DEPTH_TEST, GL_FOG}) glEnable(c);
    glClearColor(0, 0, 0, 1);
    field.Draw(50);
    for (GLenum c : {GL_CULL_FACE, GL_BLEND, GL_DEPTH_TEST, GL_FOG})
        EXPECT_FALSE(glIsEnabled(c)) << c;
    const Mat4 clear = GetFloats(GL_COLOR_CLEAR_VALUE), fog = GetFloats(GL_FOG_COLOR),
               colour = GetFloats(GL_CURRENT_COLOR);
    const std::array<float, 4> grey = {0.5f, 0.5f, 0.5f, 0.1f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(clear[i], grey[i]) << i;
        EXPECT_FLOAT_EQ(fog[i], grey[i]) << i;
        EXPECT_FLOAT_EQ(colour[i], 0.6f) << i;
    }
    EXPECT_EQ(GetFloats(GL_FOG_START)[0], 1.0f);
    EXPECT_EQ(GetFloats(GL_FOG_END)[0], 25.0f);
    std::array<GLint, 2> modes{};  // fog, matrix
    glGetIntegerv(GL_FOG_MODE, &modes[0]);
    glGetIntegerv(GL_MATRIX_MODE, &modes[1]);
    EXPECT_EQ(modes, (std::array<GLint, 2>{GL_LINEAR, GL_MODELVIEW}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Under the scene's own frustum: the depth test is on while the boxes draw
// (nothing passes a depth buffer cleared to 0), and with it cleared to 1 the
// picture is grey only, fogged towards 0.5 so that no face keeps its own
// shade of 0.2 or 0.6, and distant boxes fade out entirely.
TEST_F(BoxFieldRender, PixelsAreDepthTestedFoggedGrey)
{
    srand(1);
    CBoxFieldEffect field;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.5, 0.5, -0.5, 0.5, 1, 4000);
    glMatrixMode(GL_MODELVIEW);
    glDepthMask(GL_TRUE);

    glClearColor(0, 0, 0, 1);
    glClearDepth(0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    field.Draw(12100);
    for (int y = 0; y < kSize; y += 9)
        for (int x = 0; x < kSize; x += 9)
            ASSERT_EQ(context_->PixelAt(x, y) >> 8, 0u) << "pixel " << x << ", " << y;

    glClearDepth(1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // now grey: the field set it
    field.Draw(12100);
    int lowest = 255, highest = 0, fullyFogged = 0;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const uint32_t rgba = context_->PixelAt(x, y);
            const int r = static_cast<int>(rgba >> 24), g = (rgba >> 16) & 0xFF,
                      b = (rgba >> 8) & 0xFF;
            ASSERT_TRUE(r == g && g == b) << "pixel " << x << ", " << y;
            lowest = std::min(lowest, r);
            highest = std::max(highest, r);
            fullyFogged += std::abs(r - 128) <= 1;
        }
    }
    EXPECT_GT(lowest, 51);    // 0.2 unfogged
    EXPECT_LT(highest, 153);  // 0.6 unfogged
    EXPECT_LT(lowest, 100);   // near faces keep most of their shade
    EXPECT_GT(highest, 135);
    EXPECT_GT(fullyFogged, 0);
    glClearColor(0, 0, 0, 1);
}

}  // namespace
}  // namespace sunvale
