// The tunnel rendered for real in an offscreen context: its quads captured in
// feedback mode (GL_3D_COLOR_TEXTURE) against the tube's formulas worked out
// here in double precision, the pixels of both layers through the scene's
// frustum, and the GL state it leaves behind.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "app/OffscreenContext.h"
#include "effects/CTunnelEffect.h"

namespace sunvale {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSize = 200;
constexpr double kBox = 20;     // the ortho box spans x, y in [-20, 20]
constexpr double kDepth = 100;  // and z in [-100, 100]

struct Vertex {
    double x, y, z;  // eye space
    std::array<float, 4> rgba;
    double s, t;
};

// Every test starts from an orthographic box that holds the whole tube,
// an identity modelview, culling off and cleared buffers.
class TunnelRender : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        context_ = std::make_unique<OffscreenContext>();
        if (!context_->Create(kSize, kSize)) context_.reset();
    }
    static void TearDownTestSuite() { context_.reset(); }
    void SetUp() override
    {
        if (context_ == nullptr) {
            if (RunningUnderCi()) FAIL() << "no offscreen OpenGL context";
            GTEST_SKIP() << "no offscreen OpenGL context";
        }
        glViewport(0, 0, kSize, kSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-kBox, kBox, -kBox, kBox, -kDepth, kDepth);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_CULL_FACE);
        glDepthMask(GL_TRUE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    static inline std::unique_ptr<OffscreenContext> context_;
};

// The polygons that draw produces, each as its vertices mapped back to eye
// space.
std::vector<std::vector<Vertex>> Capture(const std::function<void()>& draw)
{
    std::vector<GLfloat> b(1 << 18);
    glFeedbackBuffer(static_cast<GLsizei>(b.size()), GL_3D_COLOR_TEXTURE, b.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<std::vector<Vertex>> out;
    GLint p = 0;
    while (p + 1 < used && b[p] == GL_POLYGON_TOKEN) {
        int n = static_cast<int>(b[p + 1]);
        out.emplace_back();
        for (p += 2; n-- > 0 && p + 11 <= used; p += 11) {  // x y z, r g b a, s t r q
            out.back().push_back({(b[p] / (kSize / 2.0) - 1) * kBox,
                                  (b[p + 1] / (kSize / 2.0) - 1) * kBox,
                                  (1 - 2.0 * b[p + 2]) * kDepth,
                                  {b[p + 3], b[p + 4], b[p + 5], b[p + 6]},
                                  b[p + 7],
                                  b[p + 8]});
        }
    }
    EXPECT_EQ(p, used) << "feedback overflow or other than polygons";
    return out;
}

bool SameVertex(const Vertex& a, const Vertex& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z && a.s == b.s && a.t == b.t;
}

// The quads that draw emits, corners in the order given. Mesa hands each
// quad (v0, v1, v2, v3) back as the triangles (v0, v1, v3), (v1, v2, v3);
// a driver that keeps quads whole hands back four corners.
std::vector<std::vector<Vertex>> CaptureQuads(const std::function<void()>& draw)
{
    const auto polygons = Capture(draw);
    std::vector<std::vector<Vertex>> quads;
    for (size_t i = 0; i < polygons.size(); ++i) {
        const auto& a = polygons[i];
        if (a.size() == 4) {
            quads.push_back(a);
            continue;
        }
        const bool paired = a.size() == 3 && i + 1 < polygons.size() &&
                            polygons[i + 1].size() == 3 && SameVertex(polygons[i + 1][0], a[1]) &&
                            SameVertex(polygons[i + 1][2], a[2]);
        EXPECT_TRUE(paired) << "polygon " << i << " is not half of a quad";
        if (!paired) return {};
        quads.push_back({a[0], a[1], polygons[i + 1][1], a[2]});
        ++i;
    }
    return quads;
}

// The tube as designed, in double precision from the single-precision
// constants: T = t / 14; the mouth offset; a point of a layer with mouth
// radius r0 at angular step a and depth step d, before the translation.
struct Tube {
    double t, T, ox, oy;
    explicit Tube(double time) : t(time), T(time * 0.071428575f)
    {
        ox = 2 * std::sin(T / 27) + std::cos(T / 13);
        oy = 2 * std::cos(T / 33) + std::sin(T / 17);
    }
    std::array<double, 3> Point(double r0, int a, int d) const
    {
        const double p = 2.0 * d + T, r = r0 - d / 12.0, theta = a * kPi / 8;
        return {2 * std::sin(p / 27) + std::cos(p / 13) + r * std::cos(theta) - ox,
                2.5 * std::cos(p / 33) + std::sin(p / 17) + r * std::sin(theta) - oy, -1.0 * d};
    }
};

// Quad (a, k) of a layer: corners (a, k), (a+1, k), (a+1, k+1), (a, k+1),
// translated by (0, 0, -2), with s = (corner's a - 1 + w) / 16 and
// t = corner's k / 32 + T * scroll.
void ExpectQuad(const std::vector<Vertex>& quad, const Tube& tube, double r0, double scroll,
                double w, int a, int k)
{
    ASSERT_EQ(quad.size(), 4u);
    const int corners[4][2] = {{a, k}, {a + 1, k}, {a + 1, k + 1}, {a, k + 1}};
    for (int c = 0; c < 4; ++c) {
        const auto [ca, ck] = corners[c];
        const auto e = tube.Point(r0, ca, ck);
        SCOPED_TRACE(testing::Message() << "corner " << c << " of quad " << a << ", " << k);
        EXPECT_NEAR(quad[c].x, e[0], 2e-3);
        EXPECT_NEAR(quad[c].y, e[1], 2e-3);
        EXPECT_NEAR(quad[c].z, e[2] - 2, 2e-3);
        EXPECT_NEAR(quad[c].s, (ca - 1 + w) / 16, 2e-5);
        EXPECT_NEAR(quad[c].t, ck / 32.0 + tube.T * scroll, 1e-4);
        EXPECT_EQ(quad[c].rgba, (std::array<float, 4>{1, 1, 1, 1}));
    }
}

TEST_F(TunnelRender, MouthAtTimeZeroIsARadiusThreeCircleAboutHalfUp)
{
    CTunnelEffect tunnel;
    const auto quads = CaptureQuads([&] { tunnel.Draw(0); });
    ASSERT_EQ(quads.size(), 32u * 16u + 28u * 16u);
    for (int a = 0; a < 16; ++a) {  // the outer layer's first ring, then the inner one's
        for (const auto& [quad, radius] : {std::pair{quads[a], 3.0}, {quads[512 + a], 2.4}}) {
            ASSERT_EQ(quad.size(), 4u);
            for (int c : {0, 1}) {
                const double angle = (a + c) * kPi / 8;
                EXPECT_NEAR(quad[c].x, radius * std::cos(angle), 1e-3) << a << " " << c;
                EXPECT_NEAR(quad[c].y, 0.5 + radius * std::sin(angle), 1e-3) << a << " " << c;
                EXPECT_NEAR(quad[c].z, -2, 1e-3);
                EXPECT_NEAR(quad[c].s, (a + c - 1) / 16.0, 1e-6);
                EXPECT_NEAR(quad[c].t, 0, 1e-6);
            }
        }
    }
}

// 1920 units of t turn the inner texture by one width (w = 16), and
// T = 137.14 tells the outer scroll 0.16666 from the inner 0.1666 and both
// from 1/6.
TEST_F(TunnelRender, LayersOfQuadsFollowTheWanderingTube)
{
    CTunnelEffect tunnel;
    for (double t : {0.0, 1920.0, 5000.0, 23456.5}) {
        SCOPED_TRACE(testing::Message() << "t " << t);
        const Tube tube(t);
        const auto quads = CaptureQuads([&] {
            glLoadIdentity();
            tunnel.Draw(static_cast<float>(t));
        });
        ASSERT_EQ(quads.size(), 32u * 16u + 28u * 16u);
        size_t q = 0;
        for (int k = 0; k < 32; ++k) {
            for (int a = 0; a < 16; ++a) {
                ExpectQuad(quads[q++], tube, 3.0, 0.16666f, 0, a, k);
            }
        }
        const double w = t * 0.008333334f;
        for (int k = 0; k < 28; ++k) {
            for (int a = 0; a < 16; ++a) ExpectQuad(quads[q++], tube, 2.4, 0.1666f, w, a, k);
        }
        if (HasFailure()) return;
    }
}

// Through the scene's frustum the tube fills the view: the outer layer
// opaque over whatever was there, the inner one added to it.
TEST_F(TunnelRender, OuterLayerOpaqueInnerAddedWithTexturesOrWhite)
{
    GLuint names[2] = {};
    glGenTextures(2, names);
    const uint8_t texels[2][4] = {{128, 0, 0, 255}, {0, 0, 128, 255}};  // outer, inner
    for (int i = 0; i < 2; ++i) {
        glBindTexture(GL_TEXTURE_2D, names[i]);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels[i]);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    struct Case {
        int32_t outer, inner;
        uint32_t rgb;  // most of the view
    };
    const Case cases[] = {
        {static_cast<int32_t>(names[0]), static_cast<int32_t>(names[1]), 0x800080},
        {-1, -1, 0xFFFFFF},
        {static_cast<int32_t>(names[0]), -1, 0xFFFFFF},
        {-1, static_cast<int32_t>(names[1]), 0xFFFFFF}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "textures " << c.outer << ", " << c.inner);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-0.5, 0.5, -0.375, 0.375, 1, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_CULL_FACE);  // as the scenes leave it: the inside faces the viewer
        glDepthMask(GL_TRUE);
        glClearColor(0, 1, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        CTunnelEffect tunnel;
        tunnel.SetTextures(c.outer, c.inner);
        tunnel.Draw(0);
        int matching = 0, background = 0;
        for (int y = 0; y < kSize; ++y) {
            for (int x = 0; x < kSize; ++x) {
                const uint32_t rgb = context_->PixelAt(x, y) >> 8;
                int off = 0;
                for (int shift : {0, 8, 16}) {
                    off = std::max(off, std::abs(static_cast<int>((rgb >> shift) & 0xFF) -
                                                 static_cast<int>((c.rgb >> shift) & 0xFF)));
                }
                matching += off <= 2;
                background += rgb == 0x00FF00;
            }
        }
        EXPECT_GT(matching, kSize * kSize * 9 / 10);
        EXPECT_LT(background, kSize * kSize / 100);  // at most the far opening
    }
    glDeleteTextures(2, names);
}

TEST_F(TunnelRender, LeavesItsDocumentedState)
{
    CTunnelEffect tunnel;
    tunnel.SetTextures(-1, -1);
    tunnel.SetTexture(5);  // ignored
    EXPECT_EQ(tunnel.outerTexture, -1);
    EXPECT_EQ(tunnel.innerTexture, -1);
    glClearDepth(0.5);
    glShadeModel(GL_FLAT);
    glDepthFunc(GL_ALWAYS);
    glBlendFunc(GL_ZERO, GL_ZERO);
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glColor4f(0, 0, 0, 0);
    glTranslatef(1, 2, 3);
    tunnel.Draw(100);

    GLint shade = 0, depthFunction = 0, source = 0, destination = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(shade, GL_SMOOTH);
    EXPECT_EQ(depthFunction, GL_LESS);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ONE);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLfloat clearDepth = 0, colour[4] = {}, modelview[16] = {};
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_EQ(clearDepth, 1.0f);
    EXPECT_EQ((std::array<float, 4>{colour[0], colour[1], colour[2], colour[3]}),
              (std::array<float, 4>{1, 1, 1, 1}));
    EXPECT_EQ((std::array<float, 3>{modelview[12], modelview[13], modelview[14]}),
              (std::array<float, 3>{1, 2, 1}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace sunvale
