// The tunnel: one grid of tube points in the object, filled for the outer
// layer, drawn as quads, refilled for the inner layer and drawn again.
// Constants are single precision except the angular step, which is pi/8 to
// double precision.
#include "effects/CTunnelEffect.h"

#include <GL/gl.h>

#include <cmath>

#include "effects/EffectTexture.h"

namespace sunvale {

namespace {

constexpr float kTimeScale = 0.071428575f;  // 1/14
constexpr float kOver27 = 0.037037037f;
constexpr float kOver13 = 0.07692308f;
constexpr float kOver33 = 0.030303031f;
constexpr float kOver17 = 0.05882353f;
constexpr float kRadiusStep = 0.083333336f;     // 1/12 per depth step
constexpr double kAngleStep = 0.3926990816987;  // pi/8 radians
constexpr float kSStep = 0.0625f;               // 1/16 per angular step
constexpr float kTStep = 0.03125f;              // 1/32 per depth step
constexpr float kOuterScroll = 0.16666f;        // 0.16665999591350555
constexpr float kInnerScroll = 0.1666f;         // 0.16660000383853912
constexpr float kInnerTurn = 0.008333334f;      // 1/120 angular steps per unit of t
constexpr int kOuterSegments = 32;              // depth segments drawn, outer layer
constexpr int kInnerSegments = 28;              // depth segments drawn, inner layer
constexpr int kAngleSegments = 16;

// Centre line of the tube at parameter p = 2d + T: x, y before the mouth
// offset is taken off. Note 2.5 in y, where the mouth offset has 2. The
// grid divides p (in single precision), where the mouth offset multiplies
// by the rounded reciprocals; the two can differ in the last bit.
double CentreX(float p)
{
    return 2.0 * std::sin(static_cast<double>(p / 27.0f)) +
           std::cos(static_cast<double>(p / 13.0f));
}

double CentreY(float p)
{
    return 2.5 * std::cos(static_cast<double>(p / 33.0f)) +
           std::sin(static_cast<double>(p / 17.0f));
}

// Grid point (a, d) of a layer for mouth offset (ox, oy).
void PlacePoint(float scaledTime, float ox, float oy, float mouthRadius, int a, int d,
                float point[3])
{
    const float p = static_cast<float>(2 * d) + scaledTime;
    const float r = mouthRadius - static_cast<float>(d) * kRadiusStep;
    const double theta = a * kAngleStep;
    point[0] = static_cast<float>(CentreX(p) + r * std::cos(theta) - ox);
    point[1] = static_cast<float>(CentreY(p) + r * std::sin(theta) - oy);
    point[2] = static_cast<float>(-d);
}

}  // namespace

float CTunnelEffect::ScaledTime(float t) { return t * kTimeScale; }

void CTunnelEffect::MouthOffset(float scaledTime, float* ox, float* oy)
{
    const float T = scaledTime;
    *ox = static_cast<float>(2.0 * std::sin(static_cast<double>(T * kOver27)) +
                             std::cos(static_cast<double>(T * kOver13)));
    *oy = static_cast<float>(2.0 * std::cos(static_cast<double>(T * kOver33)) +
                             std::sin(static_cast<double>(T * kOver17)));
}

void CTunnelEffect::TubePoint(float scaledTime, float mouthRadius, int a, int d, float point[3])
{
    float ox = 0.0f, oy = 0.0f;
    MouthOffset(scaledTime, &ox, &oy);
    PlacePoint(scaledTime, ox, oy, mouthRadius, a, d, point);
}

CTunnelEffect::TexCoord CTunnelEffect::OuterTexCoord(float scaledTime, int a, int k)
{
    return {static_cast<float>(a - 1) * kSStep,
            static_cast<float>(k) * kTStep + scaledTime * kOuterScroll};
}

CTunnelEffect::TexCoord CTunnelEffect::InnerTexCoord(float t, int a, int k)
{
    const float w = t * kInnerTurn;
    return {(static_cast<float>(a - 1) + w) * kSStep,
            static_cast<float>(k) * kTStep + ScaledTime(t) * kInnerScroll};
}

CTunnelEffect::CTunnelEffect() : grid_{} {}

void CTunnelEffect::BuildGrid(float scaledTime, float mouthRadius, int depthSteps)
{
    float ox = 0.0f, oy = 0.0f;
    MouthOffset(scaledTime, &ox, &oy);
    for (int a = 0; a < kAngleSteps; ++a) {
        for (int d = 0; d < depthSteps; ++d) {
            PlacePoint(scaledTime, ox, oy, mouthRadius, a, d, grid_[a][d]);
        }
    }
}

// Sets: depth clear value 1.0; smooth shading; depth test on with GL_LESS
// (depth writes as found); blend function (GL_SRC_ALPHA, GL_ONE); colour
// (1, 1, 1). Multiplies translate (0, 0, -2) onto the current matrix and
// leaves it current. The outer layer draws opaque with `outerTexture`, the
// inner one blended with `innerTexture`. Leaves 2D texturing and the depth
// test off, blending on, the inner layer's texture bound (0 when it failed).
void CTunnelEffect::Draw(float t)
{
    glClearDepth(1.0);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    glDisable(GL_BLEND);
    glTranslatef(0.0f, 0.0f, -2.0f);

    const float T = ScaledTime(t);
    BuildGrid(T, kOuterRadius, kDepthSteps);
    glColor3f(1.0f, 1.0f, 1.0f);
    BindEffectTexture(outerTexture);
    for (int k = 0; k < kOuterSegments; ++k) {
        glBegin(GL_QUADS);
        for (int a = 0; a < kAngleSegments; ++a) {
            const int corners[4][2] = {{a, k}, {a + 1, k}, {a + 1, k + 1}, {a, k + 1}};
            for (const auto& [ca, ck] : corners) {
                const TexCoord c = OuterTexCoord(T, ca, ck);
                glTexCoord2f(c.s, c.t);
                glVertex3fv(grid_[ca][ck]);
            }
        }
        glEnd();
    }

    BuildGrid(T, kInnerRadius, kInnerDepthSteps);
    glEnable(GL_DEPTH_TEST);
    BindEffectTexture(innerTexture);
    glEnable(GL_BLEND);
    for (int k = 0; k < kInnerSegments; ++k) {
        glBegin(GL_QUADS);
        for (int a = 0; a < kAngleSegments; ++a) {
            const int corners[4][2] = {{a, k}, {a + 1, k}, {a + 1, k + 1}, {a, k + 1}};
            for (const auto& [ca, ck] : corners) {
                const TexCoord c = InnerTexCoord(t, ca, ck);
                glTexCoord2f(c.s, c.t);
                glVertex3fv(grid_[ca][ck]);
            }
        }
        glEnd();
    }

    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
}

void CTunnelEffect::SetTextures(int32_t first, int32_t second)
{
    outerTexture = first;
    innerTexture = second;
}

}  // namespace sunvale
