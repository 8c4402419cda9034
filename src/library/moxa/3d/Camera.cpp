// The toolkit's viewing object: frustum and orientation with their derived
// matrices, corners and bounds, all recomputed eagerly by each setter.
#include "library/moxa/3d/Camera.h"

namespace sunvale {

Camera::Camera()
{
    Zero(view);
    Zero(world);
    Zero(projection);
    Identity(world);
    Identity(view);
    boundsMin = Vector3{1e30f, 1e30f, 1e30f};
    boundsMax = Vector3{-1e30f, -1e30f, -1e30f};
    SetFrustum(-0.6f, 0.6f, -0.45f, 0.45f, 1.0f, 250.0f);
    SetOrientation(Vector3{1, 0, 0}, Vector3{0, 1, 0}, Vector3{0, 0, 1}, Vector3{0, 0, 0});
}

void Camera::SetFrustum(float l, float r, float b, float t, float n, float f)
{
    left = l;
    right = r;
    bottom = b;
    top = t;
    near = n;
    far = f;
    FrustumMatrix(projection, l, r, b, t, n, f);
    const float k = f / n;
    corners[0] = Vector3{l, b, -n};
    corners[1] = Vector3{r, b, -n};
    corners[2] = Vector3{r, t, -n};
    corners[3] = Vector3{l, t, -n};
    corners[4] = Vector3{k * l, k * b, -f};
    corners[5] = Vector3{k * r, k * b, -f};
    corners[6] = Vector3{k * r, k * t, -f};
    corners[7] = Vector3{k * l, k * t, -f};
    UpdateBounds();
}

void Camera::SetOrientation(const Vector3& x, const Vector3& y, const Vector3& z,
                            const Vector3& pos)
{
    xAxis = x;
    yAxis = y;
    zAxis = z;
    position = pos;
    Normalize(xAxis);
    Normalize(yAxis);
    Normalize(zAxis);
    float* m = world.m;
    m[0] = xAxis.x;
    m[1] = xAxis.y;
    m[2] = xAxis.z;
    m[3] = 0.0f;
    m[4] = yAxis.x;
    m[5] = yAxis.y;
    m[6] = yAxis.z;
    m[7] = 0.0f;
    m[8] = zAxis.x;
    m[9] = zAxis.y;
    m[10] = zAxis.z;
    m[11] = 0.0f;
    m[12] = position.x;
    m[13] = position.y;
    m[14] = position.z;
    m[15] = 1.0f;
    view = world;
    InvertAffine(view);
    UpdateBounds();
}

void Camera::UpdateBounds()
{
    Vector3 p[8];
    TransformPoints(world, p, corners, 8);
    boundsMin = p[0];
    boundsMax = p[0];
    for (int i = 1; i < 8; ++i) {
        if (p[i].x > boundsMax.x) boundsMax.x = p[i].x;
        if (p[i].x < boundsMin.x) boundsMin.x = p[i].x;
        if (p[i].y > boundsMax.y) boundsMax.y = p[i].y;
        if (p[i].y < boundsMin.y) boundsMin.y = p[i].y;
        if (p[i].z > boundsMax.z) boundsMax.z = p[i].z;
        if (p[i].z < boundsMin.z) boundsMin.z = p[i].z;
    }
}

}  // namespace sunvale
