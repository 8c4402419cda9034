// The tunnel rendered for real in an offscreen context: its quads captured in
// feedback mode (GL_3D_COLOR_TEXTURE) against the tube's formulas worked out
// here in double precision, the pixels of both layers through the scene's
// frustum, and the GL state it leaves behind.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <vector>

#include "OffscreenTest.h"
#include "effects/CTunnelEffect.h"

namespace sunvale {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSize = 200;

// Every test starts from an orthographic box x, y in [-20, 20], z in
// [-100, 100] that holds the whole tube, culling off and cleared buffers.
class TunnelRender : public OffscreenTest<kSize, kSize> {
protected:
    void SetUp() override
    {
        OffscreenTest::SetUp();
        if (!Ready()) return;
        UseOrtho(20, 100);
        glDisable(GL_CULL_FACE);
        glDepthMask(GL_TRUE);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // The quads that draw emits, corners in the order given. Mesa hands each
    // quad (v0, v1, v2, v3) back as the triangles (v0, v1, v3), (v1, v2, v3);
    // a driver that keeps quads whole hands back four corners.
    static std::vector<FeedbackPolygon> CaptureQuads(const std::function<void()>& draw)
    {
        const auto same = [](const FeedbackVertex& a, const FeedbackVertex& b) {
            return a.x == b.x && a.y == b.y && a.z == b.z && a.s == b.s && a.t == b.t;
        };
        const auto polygons = CapturePolygons(draw);
        std::vector<FeedbackPolygon> quads;
        for (size_t i = 0; i < polygons.size(); ++i) {
            const auto& a = polygons[i];
            if (a.size() == 4) {
                quads.push_back(a);
                continue;
            }
            const bool paired = a.size() == 3 && i + 1 < polygons.size() &&
                                polygons[i + 1].size() == 3 && same(polygons[i + 1][0], a[1]) &&
                                same(polygons[i + 1][2], a[2]);
            EXPECT_TRUE(paired) << "polygon " << i << " is not half of a quad";
            if (!paired) return {};
            quads.push_back({a[0], a[1], polygons[i + 1][1], a[2]});
            ++i;
        }
        return quads;
    }
};

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
void ExpectQuad(const FeedbackPolygon& quad, const Tube& tube, double r0, double scroll, double w,
                int a, int k)
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

// At t = 0 the mouth is a radius-3 circle about (0, 0.5). 1920 units of t
// turn the inner texture by one width (w = 16), and T = 137.14 tells the
// outer scroll 0.16666 from the inner 0.1666 and both from 1/6.
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
            for (int a = 0; a < 16; ++a) ExpectQuad(quads[q++], tube, 3.0, 0.16666f, 0, a, k);
        }
        const double w = t * 0.008333334f;
        for (int k = 0; k < 28; ++k) {
            for (int a = 0; a < 16; ++a) ExpectQuad(quads[q++], tube, 2.4, 0.1666f, w, a, k);
        }
        if (t == 0) {
            EXPECT_NEAR(quads[4].front().y, 0.5 + 3, 1e-3);  // a = 4: straight up
        }
        if (HasFailure()) return;
    }
}

// Through the scene's frustum the tube fills the view: the outer layer
// opaque over whatever was there, the inner one added to it.
TEST_F(TunnelRender, OuterLayerOpaqueInnerAddedWithTexturesOrWhite)
{
    const auto outer = static_cast<int32_t>(MakeTexture(0x800000FF));
    const auto inner = static_cast<int32_t>(MakeTexture(0x000080FF));
    glBindTexture(GL_TEXTURE_2D, 0);
    struct Case {
        int32_t outer, inner;
        uint32_t rgb;  // most of the view
    };
    const Case cases[] = {
        {outer, inner, 0x800080}, {-1, -1, 0xFFFFFF}, {outer, -1, 0xFFFFFF}, {-1, inner, 0xFFFFFF}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "textures " << c.outer << ", " << c.inner);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-0.5, 0.5, -0.375, 0.375, 1, 1000);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glEnable(GL_CULL_FACE);  // as the scenes leave it: the inside faces the viewer
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

    std::array<GLint, 4> modes{};  // shading, depth function, blend source and destination
    glGetIntegerv(GL_SHADE_MODEL, &modes[0]);
    glGetIntegerv(GL_DEPTH_FUNC, &modes[1]);
    glGetIntegerv(GL_BLEND_SRC, &modes[2]);
    glGetIntegerv(GL_BLEND_DST, &modes[3]);
    EXPECT_EQ(modes, (std::array<GLint, 4>{GL_SMOOTH, GL_LESS, GL_SRC_ALPHA, GL_ONE}));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(GetFloats(GL_DEPTH_CLEAR_VALUE)[0], 1.0f);
    const Mat4 colour = GetFloats(GL_CURRENT_COLOR), modelview = GetFloats(GL_MODELVIEW_MATRIX);
    EXPECT_EQ((std::array<float, 4>{colour[0], colour[1], colour[2], colour[3]}),
              (std::array<float, 4>{1, 1, 1, 1}));
    EXPECT_EQ((std::array<float, 3>{modelview[12], modelview[13], modelview[14]}),
              (std::array<float, 3>{1, 2, 1}));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace sunvale
