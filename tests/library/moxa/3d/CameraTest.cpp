// Camera: default state, derived matrices and bounds after each setter.
#include <gtest/gtest.h>

#include <cmath>

#include "library/moxa/3d/Camera.h"

namespace sunvale {
namespace {

void ExpectIdentity(const Matrix4& a) {
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a.m[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
}

TEST(Camera, DefaultHasIdentityMatricesAndDefaultFrustumBounds) {
    Camera cam;
    ExpectIdentity(cam.world);
    ExpectIdentity(cam.view);
    EXPECT_FLOAT_EQ(cam.projection.m[0], 1.0f / 0.6f);
    EXPECT_FLOAT_EQ(cam.projection.m[5], 1.0f / 0.45f);
    EXPECT_FLOAT_EQ(cam.projection.m[10], -251.0f / 249.0f);
    EXPECT_EQ(cam.projection.m[11], -1.0f);
    EXPECT_FLOAT_EQ(cam.projection.m[14], -500.0f / 249.0f);
    EXPECT_FLOAT_EQ(cam.boundsMin.x, -150.0f);
    EXPECT_FLOAT_EQ(cam.boundsMin.y, -112.5f);
    EXPECT_FLOAT_EQ(cam.boundsMin.z, -250.0f);
    EXPECT_FLOAT_EQ(cam.boundsMax.x, 150.0f);
    EXPECT_FLOAT_EQ(cam.boundsMax.y, 112.5f);
    EXPECT_FLOAT_EQ(cam.boundsMax.z, -1.0f);
    EXPECT_EQ(cam.left, -0.6f);
    EXPECT_EQ(cam.far, 250.0f);
    // Corner order: near plane left-bottom first, far plane right-top at 7.
    EXPECT_EQ(cam.corners[0].x, -0.6f);
    EXPECT_EQ(cam.corners[0].z, -1.0f);
    EXPECT_FLOAT_EQ(cam.corners[6].x, 150.0f);
    EXPECT_FLOAT_EQ(cam.corners[6].y, 112.5f);
    EXPECT_EQ(cam.corners[6].z, -250.0f);
}

TEST(Camera, SetOrientationNormalisesAxesAndMovesBounds) {
    Camera cam;
    cam.SetOrientation(Vector3{2, 0, 0}, Vector3{0, 3, 0}, Vector3{0, 0, 4}, Vector3{0, 0, 10});
    EXPECT_EQ(cam.xAxis.x, 1.0f);
    EXPECT_EQ(cam.yAxis.y, 1.0f);
    EXPECT_EQ(cam.zAxis.z, 1.0f);
    EXPECT_EQ(cam.position.z, 10.0f);  // not normalised
    EXPECT_EQ(cam.world.m[14], 10.0f);
    EXPECT_EQ(cam.world.m[15], 1.0f);
    EXPECT_FLOAT_EQ(cam.view.m[14], -10.0f);
    EXPECT_FLOAT_EQ(cam.boundsMin.z, -240.0f);
    EXPECT_FLOAT_EQ(cam.boundsMax.z, 9.0f);
    EXPECT_FLOAT_EQ(cam.boundsMin.x, -150.0f);
}

TEST(Camera, ViewIsInverseOfWorldForARotatedCamera) {
    Camera cam;
    // Camera turned 90 degrees about Y, standing at (5, 1, 2).
    cam.SetOrientation(Vector3{0, 0, -1}, Vector3{0, 1, 0}, Vector3{1, 0, 0}, Vector3{5, 1, 2});
    Matrix4 product;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += cam.view.m[4 * k + r] * cam.world.m[4 * c + k];
            product.m[4 * c + r] = sum;
        }
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(product.m[i], (i % 5 == 0) ? 1.0f : 0.0f, 1e-6f) << i;
    // Looking down world -X: the far plane lies at x = 5 - 250.
    EXPECT_FLOAT_EQ(cam.boundsMin.x, -245.0f);
    EXPECT_FLOAT_EQ(cam.boundsMax.x, 4.0f);
}

TEST(Camera, ZeroAxisStaysZeroAndViewGoesNonFinite) {
    Camera cam;
    cam.SetOrientation(Vector3{1, 0, 0}, Vector3{0, 0, 0}, Vector3{0, 0, 1}, Vector3{0, 0, 0});
    EXPECT_EQ(cam.yAxis.x, 0.0f);
    EXPECT_EQ(cam.yAxis.y, 0.0f);
    EXPECT_EQ(cam.yAxis.z, 0.0f);
    bool nonFinite = false;
    for (float v : cam.view.m)
        if (!std::isfinite(v)) nonFinite = true;
    EXPECT_TRUE(nonFinite);
}

TEST(Camera, SetFrustumRecomputesCornersAndBounds) {
    Camera cam;
    cam.SetFrustum(-1, 1, -1, 1, 2, 4);
    EXPECT_EQ(cam.corners[4].x, -2.0f);
    EXPECT_EQ(cam.corners[4].z, -4.0f);
    EXPECT_FLOAT_EQ(cam.boundsMin.x, -2.0f);
    EXPECT_FLOAT_EQ(cam.boundsMax.z, -2.0f);
    EXPECT_FLOAT_EQ(cam.projection.m[0], 2.0f);
    // near == far divides by zero without complaint
    cam.SetFrustum(-1, 1, -1, 1, 3, 3);
    EXPECT_FALSE(std::isfinite(cam.projection.m[10]));
}

}  // namespace
}  // namespace sunvale
