// Camera: a perspective frustum (the six glFrustum values), an orientation
// (three axes and a position) and everything derived from them: projection,
// camera-to-world and world-to-camera matrices, the frustum's corners and the
// world-space box around them. A plain value object; no OpenGL calls.
#pragma once

#include "library/moxa/3d/Matrix4.h"
#include "library/moxa/3d/Vector3.h"

namespace sunvale {

class Camera {
public:
    // Identity orientation at the origin, frustum (-0.6, 0.6, -0.45, 0.45, 1, 250).
    Camera();

    // Stores the frustum, rebuilds projection and corners, then UpdateBounds.
    void SetFrustum(float left, float right, float bottom, float top, float near, float far);

    // Stores the axes (normalised) and position, rebuilds world and view
    // (view = affine inverse of world, not checked for singularity), then UpdateBounds.
    void SetOrientation(const Vector3& xAxis, const Vector3& yAxis, const Vector3& zAxis,
                        const Vector3& position);

    // boundsMin/boundsMax = world-space box of the eight corners.
    void UpdateBounds();

    Matrix4 view;        // world to camera
    Matrix4 world;       // camera to world: columns xAxis, yAxis, zAxis, position
    Matrix4 projection;  // FrustumMatrix of the six frustum values
    Vector3 xAxis;
    Vector3 yAxis;
    Vector3 zAxis;
    Vector3 position;
    Vector3 corners[8];  // camera space: near plane l-b, r-b, r-t, l-t, then far plane
    Vector3 boundsMin;
    Vector3 boundsMax;
    float left = 0.0f;
    float right = 0.0f;
    float bottom = 0.0f;
    float top = 0.0f;
    float near = 0.0f;
    float far = 0.0f;
};

}  // namespace sunvale
