// Matrix operations of the 3D toolkit: single precision, in place or into
// caller-supplied storage, no allocation and no failure path.
#include "library/moxa/3d/Matrix4.h"

#include <cstddef>

namespace sunvale {

namespace {

// Shared inverse of a 3x3 block + translation. The block element (r, j) is
// at b[s*r + j], the translation at t[0..2].
void InvertBlock(float* b, ptrdiff_t s, float* t)
{
    const float m0 = b[0], m1 = b[1], m2 = b[2];
    const float m4 = b[s], m5 = b[s + 1], m6 = b[s + 2];
    const float m8 = b[2 * s], m9 = b[2 * s + 1], m10 = b[2 * s + 2];
    const float det =
        m0 * (m5 * m10 - m6 * m9) - m1 * (m4 * m10 - m6 * m8) + m2 * (m4 * m9 - m5 * m8);
    const float d = 1.0f / det;
    float inv[9];
    inv[0] = (m5 * m10 - m6 * m9) * d;
    inv[1] = (m2 * m9 - m1 * m10) * d;
    inv[2] = (m1 * m6 - m2 * m5) * d;
    inv[3] = (m6 * m8 - m4 * m10) * d;
    inv[4] = (m0 * m10 - m2 * m8) * d;
    inv[5] = (m2 * m4 - m0 * m6) * d;
    inv[6] = (m4 * m9 - m5 * m8) * d;
    inv[7] = (m1 * m8 - m0 * m9) * d;
    inv[8] = (m0 * m5 - m1 * m4) * d;
    const float tx = t[0], ty = t[1], tz = t[2];
    for (int r = 0; r < 3; ++r)
        for (int j = 0; j < 3; ++j) b[s * r + j] = inv[3 * r + j];
    for (int j = 0; j < 3; ++j) t[j] = -(tx * inv[j] + ty * inv[3 + j] + tz * inv[6 + j]);
}

}  // namespace

void Zero(Matrix4& a)
{
    for (float& v : a.m) v = 0.0f;
}

void Identity(Matrix4& a)
{
    Zero(a);
    a.m[0] = a.m[5] = a.m[10] = a.m[15] = 1.0f;
}

void Transpose(Matrix4& a)
{
    Matrix4 tmp = a;
    for (int r = 0; r < 4; ++r)
        for (int j = 0; j < 4; ++j) a.m[4 * r + j] = tmp.m[4 * j + r];
}

void InvertAffine(Matrix4& a) { InvertBlock(a.m, 4, a.m + 12); }

void InvertAffineRows(float rows[12]) { InvertBlock(rows, 3, rows + 9); }

void TransformPoints(const Matrix4& a, Vector3* out, const Vector3* in, int count)
{
    const float* m = a.m;
    for (int i = 0; i < count; ++i) {
        const float x = in[i].x, y = in[i].y, z = in[i].z;
        out[i].x = x * m[0] + y * m[4] + z * m[8] + m[12];
        out[i].y = x * m[1] + y * m[5] + z * m[9] + m[13];
        out[i].z = x * m[2] + y * m[6] + z * m[10] + m[14];
    }
}

void FrustumMatrix(Matrix4& out, float l, float r, float b, float t, float n, float f)
{
    // Built row by row (row-major), then transposed into OpenGL's order.
    Zero(out);
    out.m[0] = 2.0f * n / (r - l);
    out.m[2] = (r + l) / (r - l);
    out.m[5] = 2.0f * n / (t - b);
    out.m[6] = (t + b) / (t - b);
    out.m[10] = -(f + n) / (f - n);
    out.m[11] = -2.0f * f * n / (f - n);
    out.m[14] = -1.0f;
    Transpose(out);
}

}  // namespace sunvale
