// Vector, matrix, spline and camera math: inverse with scale and translation,
// the frustum matrix, normalisation, the B-spline's 1.0002 scale and bounds,
// and the camera's default bounds and normalised axes. Inverses of rotated
// matrices and the point transform's layout are checked through the camera.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "library/moxa/3d/Camera.h"
#include "library/moxa/3d/Matrix4.h"
#include "library/moxa/3d/Spline.h"
#include "library/moxa/3d/Vector3.h"

namespace sunvale {
namespace {

void ExpectMatrix(const Matrix4& a, const float (&want)[16])
{
    for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(a.m[i], want[i]) << i;
}

void ExpectVector(const Vector3& v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(Matrix4, InvertAffineUndoesScaleAndTranslationAndKeepsProjectiveRow)
{
    Matrix4 a;
    const float m[16] = {2, 0, 0, 0.25f, 0, 1, 0, -3, 0, 0, 1, 9, 4, 0, 0, 5};
    std::copy(m, m + 16, a.m);
    InvertAffine(a);
    ExpectMatrix(a, {0.5f, 0, 0, 0.25f, 0, 1, 0, -3, 0, 0, 1, 9, -2, 0, 0, 5});
}

TEST(Matrix4, InvertAffineOfSingularBlockGivesNonFiniteWithoutFailing)
{
    Matrix4 a;
    a.m[0] = a.m[5] = a.m[15] = 1.0f;  // Z axis zero: singular
    InvertAffine(a);
    EXPECT_TRUE(std::any_of(a.m, a.m + 15, [](float v) { return !std::isfinite(v); }));
    EXPECT_EQ(a.m[15], 1.0f);
}

TEST(Matrix4, FrustumMatrixMatchesGlFrustumOffCentre)
{
    Matrix4 a;
    std::fill(a.m, a.m + 16, 3.0f);  // every element is written
    FrustumMatrix(a, -1.0f, 3.0f, -2.0f, 4.0f, 2.0f, 10.0f);
    ExpectMatrix(
        a, {1, 0, 0, 0, 0, 4.0f / 6, 0, 0, 0.5f, 1.0f / 3, -12.0f / 8, -1, 0, 0, -40.0f / 8, 0});
}

TEST(Vector3, NormalizeScalesToUnitAndLeavesZeroAlone)
{
    Vector3 v{3, 0, 4}, zero{0, 0, 0};
    Normalize(v);
    Normalize(zero);
    ExpectVector(v, 0.6f, 0.0f, 0.8f);
    ExpectVector(zero, 0.0f, 0.0f, 0.0f);
}

TEST(Spline, ScaleOf1Point0002AndSegmentWeights)
{
    const float ones[4] = {1, 1, 1, 1}, fives[6] = {5, 5, 5, 5, 5, 5};
    for (float t : {0.0f, 0.1f, 0.5f, 0.999f}) EXPECT_FLOAT_EQ(Spline(t, ones, 4), 1.0002f) << t;
    EXPECT_FLOAT_EQ(Spline(0.3f, fives, 6), 5.001f);
    const float keys[5] = {1, 2, 4, 8, 16};
    EXPECT_FLOAT_EQ(Spline(0.0f, keys, 5), 0.1667f * (1 + 8 + 4));   // k0 + 4 k1 + k2
    EXPECT_FLOAT_EQ(Spline(0.5f, keys, 5), 0.1667f * (2 + 16 + 8));  // segment 1 at u = 0
    // u = 0.5 inside segment 0: weights 1/8, 23/8, 23/8, 1/8
    EXPECT_FLOAT_EQ(Spline(0.25f, keys, 5),
                    0.1667f * (0.125f * 1 + 2.875f * 2 + 2.875f * 4 + 0.125f * 8));
}

TEST(Spline, ArgumentsOutsideTheCurveNeverReadBeyondTheKeys)
{
    // NaN around four valid keys: any read beyond them would poison the result.
    const float nan = std::numeric_limits<float>::quiet_NaN(),
                inf = std::numeric_limits<float>::infinity();
    const float keys[6] = {nan, 1, 2, 3, 4, nan};
    const float* k = keys + 1;
    const float start = 0.1667f * (1 + 4 * 2 + 3), end = 0.1667f * (2 + 4 * 3 + 4);
    const struct {
        float t;
        const float* keys;
        int n;
        float want;
    } cases[] = {{1.0f, k, 4, end},    {7.5f, k, 4, end},   {inf, k, 4, end},
                 {-3.0f, k, 4, start}, {nan, k, 4, start},  {0.5f, k, 3, 0.0f},
                 {0.5f, k, 0, 0.0f},   {0.5f, k, -5, 0.0f}, {0.5f, nullptr, 4, 0.0f}};
    for (const auto& c : cases)
        EXPECT_FLOAT_EQ(Spline(c.t, c.keys, c.n), c.want) << "t " << c.t << " n " << c.n;
}

// For n near 2^31, n - 3 rounds to 2^31 in single precision: at t = 1 the
// segment index must be clamped before it becomes an int. The keys end at a
// page boundary, only their last page is readable and a guard page follows,
// so any read outside the last segment faults.
TEST(Spline, HugeKeyCountsStayOnTheLastSegment)
{
    const long page = sysconf(_SC_PAGESIZE);
    for (int n : {std::numeric_limits<int>::max(), std::numeric_limits<int>::max() - 3}) {
        SCOPED_TRACE(n);
        const size_t bytes = size_t(n) * sizeof(float);
        const size_t pages = (bytes + size_t(page) - 1) / size_t(page);
        const size_t mapped = (pages + 1) * size_t(page);  // and a guard page
        void* base =
            mmap(nullptr, mapped, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (base == MAP_FAILED) GTEST_SKIP() << "no address space for " << bytes << " bytes";
        char* const end = static_cast<char*>(base) + pages * size_t(page);
        ASSERT_EQ(mprotect(end - page, size_t(page), PROT_READ | PROT_WRITE), 0);
        float* const keys = reinterpret_cast<float*>(end - bytes);
        for (int i = n - 4; i < n; ++i) keys[i] = 3.0f;
        // The last segment at u = 0: 0.1667 * (k + 4k + k) with k = 3.
        for (float t : {1.0f, 2.0f}) EXPECT_FLOAT_EQ(Spline(t, keys, n), 3.0006f) << t;
        munmap(base, mapped);
    }
}

TEST(Camera, DefaultHasIdentityMatricesAndDefaultFrustumBounds)
{
    Camera cam;
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(cam.world.m[i] == (i % 5 ? 0 : 1) && cam.view.m[i] == cam.world.m[i]) << i;
    EXPECT_FLOAT_EQ(cam.projection.m[0], 1.0f / 0.6f);
    EXPECT_FLOAT_EQ(cam.projection.m[5], 1.0f / 0.45f);
    EXPECT_FLOAT_EQ(cam.projection.m[10], -251.0f / 249.0f);
    EXPECT_FLOAT_EQ(cam.projection.m[14], -500.0f / 249.0f);
    ExpectVector(cam.boundsMin, -150.0f, -112.5f, -250.0f);
    ExpectVector(cam.boundsMax, 150.0f, 112.5f, -1.0f);
    // Corner order: near plane left-bottom first, far plane right-top at 6.
    ExpectVector(cam.corners[0], -0.6f, -0.45f, -1.0f);
    ExpectVector(cam.corners[6], 150.0f, 112.5f, -250.0f);
}

TEST(Camera, SetOrientationNormalisesAxesAndMovesBounds)
{
    Camera cam;
    cam.SetOrientation(Vector3{2, 0, 0}, Vector3{0, 3, 0}, Vector3{0, 0, 4}, Vector3{0, 0, 10});
    ExpectVector(cam.xAxis, 1, 0, 0);
    ExpectVector(cam.yAxis, 0, 1, 0);
    ExpectVector(cam.zAxis, 0, 0, 1);
    EXPECT_EQ(cam.world.m[14], 10.0f);  // position is not normalised
    EXPECT_FLOAT_EQ(cam.view.m[14], -10.0f);
    ExpectVector(cam.boundsMin, -150.0f, -112.5f, -240.0f);
    EXPECT_FLOAT_EQ(cam.boundsMax.z, 9.0f);
}

TEST(Camera, ViewIsInverseOfWorldForARotatedCamera)
{
    Camera cam;
    // Turned 90 degrees about Y, standing at (5, 1, 2): looking down world -X.
    cam.SetOrientation(Vector3{0, 0, -1}, Vector3{0, 1, 0}, Vector3{1, 0, 0}, Vector3{5, 1, 2});
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += cam.view.m[4 * k + r] * cam.world.m[4 * c + k];
            EXPECT_NEAR(sum, r == c ? 1.0f : 0.0f, 1e-6f) << r << "," << c;
        }
    EXPECT_FLOAT_EQ(cam.boundsMin.x, -245.0f);  // far plane at x = 5 - 250
    EXPECT_FLOAT_EQ(cam.boundsMax.x, 4.0f);
}

TEST(Camera, SetFrustumRecomputesProjectionCornersAndBounds)
{
    Camera cam;
    cam.SetFrustum(-1, 1, -1, 1, 2, 4);
    EXPECT_FLOAT_EQ(cam.projection.m[0], 2.0f);
    ExpectVector(cam.corners[4], -2.0f, -2.0f, -4.0f);
    ExpectVector(cam.boundsMin, -2.0f, -2.0f, -4.0f);
    EXPECT_FLOAT_EQ(cam.boundsMax.z, -2.0f);
}

}  // namespace
}  // namespace sunvale
