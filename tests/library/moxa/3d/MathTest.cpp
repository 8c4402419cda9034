// Vector, matrix and spline math: inverse with scale and translation, the
// frustum matrix, normalisation and the B-spline's 1.0002 scale and bounds.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "library/moxa/3d/Matrix4.h"
#include "library/moxa/3d/Spline.h"
#include "library/moxa/3d/Vector3.h"

namespace sunvale {
namespace {

TEST(Matrix4, NewAndZeroedMatricesAreAllZeros) {
    Matrix4 a;
    for (float v : a.m) EXPECT_EQ(v, 0.0f);
    for (float& v : a.m) v = 7.0f;
    Zero(a);
    for (float v : a.m) EXPECT_EQ(v, 0.0f);
}

TEST(Matrix4, InvertAffineUndoesScaleAndTranslationAndKeepsProjectiveRow) {
    Matrix4 a;
    a.m[0] = 2.0f;
    a.m[5] = 1.0f;
    a.m[10] = 1.0f;
    a.m[12] = 4.0f;
    a.m[3] = 0.25f;
    a.m[7] = -3.0f;
    a.m[11] = 9.0f;
    a.m[15] = 5.0f;
    InvertAffine(a);
    EXPECT_FLOAT_EQ(a.m[0], 0.5f);
    EXPECT_FLOAT_EQ(a.m[5], 1.0f);
    EXPECT_FLOAT_EQ(a.m[10], 1.0f);
    EXPECT_FLOAT_EQ(a.m[12], -2.0f);
    EXPECT_FLOAT_EQ(a.m[13], 0.0f);
    EXPECT_FLOAT_EQ(a.m[14], 0.0f);
    EXPECT_EQ(a.m[3], 0.25f);
    EXPECT_EQ(a.m[7], -3.0f);
    EXPECT_EQ(a.m[11], 9.0f);
    EXPECT_EQ(a.m[15], 5.0f);
}

TEST(Matrix4, InvertAffineOfRotationShearAndTranslationRoundTripsPoints) {
    Matrix4 a;
    // Axes: a rotation about Z by 30 degrees with shear and uneven scale.
    const float c = std::cos(0.5235988f), s = std::sin(0.5235988f);
    const float m[16] = {3 * c, 3 * s, 0, 0, -s, c, 0.5f, 0, 0.2f, 0, 2, 0, 1, -2, 3, 1};
    for (int i = 0; i < 16; ++i) a.m[i] = m[i];
    Matrix4 inv = a;
    InvertAffine(inv);
    const Vector3 p[3] = {{1, 2, 3}, {-4, 0.5f, 7}, {0, 0, 0}};
    Vector3 q[3], r[3];
    TransformPoints(a, q, p, 3);
    TransformPoints(inv, r, q, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(r[i].x, p[i].x, 1e-5f);
        EXPECT_NEAR(r[i].y, p[i].y, 1e-5f);
        EXPECT_NEAR(r[i].z, p[i].z, 1e-5f);
    }
}

TEST(Matrix4, InvertAffineOfSingularBlockGivesNonFiniteWithoutFailing) {
    Matrix4 a;
    a.m[0] = 1.0f;
    a.m[5] = 1.0f;  // Z axis zero: singular
    a.m[15] = 1.0f;
    InvertAffine(a);
    bool nonFinite = false;
    for (int i = 0; i < 15; ++i)
        if (!std::isfinite(a.m[i])) nonFinite = true;
    EXPECT_TRUE(nonFinite);
    EXPECT_EQ(a.m[15], 1.0f);
}

TEST(Matrix4, TransposeExchangesRowsAndColumns) {
    Matrix4 a;
    for (int i = 0; i < 16; ++i) a.m[i] = static_cast<float>(i);
    Transpose(a);
    for (int r = 0; r < 4; ++r)
        for (int j = 0; j < 4; ++j) EXPECT_EQ(a.m[4 * r + j], static_cast<float>(4 * j + r));
}

TEST(Matrix4, TransformPointsUsesOpenGLLayoutAndCountZeroWritesNothing) {
    Matrix4 a;
    for (int i = 0; i < 16; ++i) a.m[i] = static_cast<float>(i + 1);
    const Vector3 in{1, 2, 3};
    Vector3 out{-1, -1, -1};
    TransformPoints(a, &out, &in, 0);
    EXPECT_EQ(out.x, -1.0f);
    EXPECT_EQ(out.y, -1.0f);
    EXPECT_EQ(out.z, -1.0f);
    TransformPoints(a, &out, &in, 1);
    EXPECT_EQ(out.x, 1 * 1 + 2 * 5 + 3 * 9 + 13.0f);
    EXPECT_EQ(out.y, 1 * 2 + 2 * 6 + 3 * 10 + 14.0f);
    EXPECT_EQ(out.z, 1 * 3 + 2 * 7 + 3 * 11 + 15.0f);
}

TEST(Matrix4, FrustumMatrixMatchesGlFrustum) {
    Matrix4 a;
    for (float& v : a.m) v = 3.0f;  // every element is written
    FrustumMatrix(a, -0.6f, 0.6f, -0.45f, 0.45f, 1.0f, 250.0f);
    EXPECT_FLOAT_EQ(a.m[0], 1.0f / 0.6f);
    EXPECT_FLOAT_EQ(a.m[5], 1.0f / 0.45f);
    EXPECT_EQ(a.m[8], 0.0f);
    EXPECT_EQ(a.m[9], 0.0f);
    EXPECT_FLOAT_EQ(a.m[10], -251.0f / 249.0f);
    EXPECT_EQ(a.m[11], -1.0f);
    EXPECT_FLOAT_EQ(a.m[14], -500.0f / 249.0f);
    for (int i : {1, 2, 3, 4, 6, 7, 12, 13, 15}) EXPECT_EQ(a.m[i], 0.0f) << i;

    FrustumMatrix(a, -1.0f, 3.0f, -2.0f, 4.0f, 2.0f, 10.0f);  // off-centre
    EXPECT_FLOAT_EQ(a.m[8], 0.5f);
    EXPECT_FLOAT_EQ(a.m[9], 1.0f / 3.0f);
    EXPECT_FLOAT_EQ(a.m[0], 1.0f);
    EXPECT_FLOAT_EQ(a.m[5], 4.0f / 6.0f);
}

TEST(Vector3, NormalizeScalesToUnitAndLeavesZeroAlone) {
    Vector3 v{3, 0, 4};
    Normalize(v);
    EXPECT_FLOAT_EQ(v.x, 0.6f);
    EXPECT_EQ(v.y, 0.0f);
    EXPECT_FLOAT_EQ(v.z, 0.8f);
    Vector3 z{0, 0, 0};
    Normalize(z);
    EXPECT_EQ(z.x, 0.0f);
    EXPECT_EQ(z.y, 0.0f);
    EXPECT_EQ(z.z, 0.0f);
}

TEST(Spline, ConstantKeysGiveThe1Point0002Scale) {
    const float ones[4] = {1, 1, 1, 1};
    for (float t : {0.0f, 0.1f, 0.5f, 0.75f, 0.999f}) EXPECT_FLOAT_EQ(Spline(t, ones, 4), 1.0002f) << t;
    const float fives[6] = {5, 5, 5, 5, 5, 5};
    EXPECT_FLOAT_EQ(Spline(0.3f, fives, 6), 5.001f);
}

TEST(Spline, ApproximatesKeysAtStartAndSegmentBoundaries) {
    const float keys[5] = {1, 2, 4, 8, 16};
    // t = 0: 0.1667 * (k0 + 4 k1 + k2)
    EXPECT_FLOAT_EQ(Spline(0.0f, keys, 5), 0.1667f * (1 + 8 + 4));
    // t = 0.5 with n = 5: segment 1 at u = 0
    EXPECT_FLOAT_EQ(Spline(0.5f, keys, 5), 0.1667f * (2 + 16 + 8));
    // u = 0.5 inside segment 0: weights 1/8, 23/8, 23/8, 1/8
    EXPECT_FLOAT_EQ(Spline(0.25f, keys, 5), 0.1667f * (0.125f * 1 + 2.875f * 2 + 2.875f * 4 + 0.125f * 8));
}

TEST(Spline, OutOfRangeArgumentsNeverReadBeyondTheKeys) {
    // Keys beyond n hold NaN: any read of them would poison the result.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float keys[8] = {nan, 1, 2, 3, 4, nan, nan, nan};
    const float* k = keys + 1;  // four valid keys
    const float end = Spline(1.0f, k, 4);
    EXPECT_TRUE(std::isfinite(end));
    EXPECT_FLOAT_EQ(end, 0.1667f * (2 + 4 * 3 + 4));  // end of the last segment
    EXPECT_FLOAT_EQ(Spline(7.5f, k, 4), end);
    EXPECT_FLOAT_EQ(Spline(-3.0f, k, 4), Spline(0.0f, k, 4));
    EXPECT_TRUE(std::isfinite(Spline(nan, k, 4)));
    EXPECT_TRUE(std::isfinite(Spline(std::numeric_limits<float>::infinity(), k, 4)));
    EXPECT_EQ(Spline(0.5f, k, 3), 0.0f);
    EXPECT_EQ(Spline(0.5f, k, 0), 0.0f);
    EXPECT_EQ(Spline(0.5f, k, -5), 0.0f);
    EXPECT_EQ(Spline(0.5f, nullptr, 4), 0.0f);
}

}  // namespace
}  // namespace sunvale
