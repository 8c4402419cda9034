// Matrix4: sixteen floats in OpenGL's storage order (column-major for column
// vectors), so matrices pass to and from OpenGL unchanged. A point maps to
//   x' = x*m[0] + y*m[4] + z*m[8]  + m[12]
//   y' = x*m[1] + y*m[5] + z*m[9]  + m[13]
//   z' = x*m[2] + y*m[6] + z*m[10] + m[14]
// A new matrix is all zeros, not the identity.
#pragma once

#include "library/moxa/3d/Vector3.h"

namespace sunvale {

struct Matrix4 {
    float m[16] = {};
};

// All sixteen elements set to 0.
void Zero(Matrix4& a);

// Sets the identity.
void Identity(Matrix4& a);

// m[4r+j] and m[4j+r] exchanged for all r, j.
void Transpose(Matrix4& a);

// Replaces the affine transform held in a (3x3 block + translation) by its
// inverse. The block is inverted as a general 3x3 matrix (scale and shear
// included); the determinant is not tested, so a singular block leaves
// infinities or NaNs. m[3], m[7], m[11], m[15] are kept.
void InvertAffine(Matrix4& a);

// Inverts a 3x3 block + translation held as four rows of three floats
// (X axis, Y axis, Z axis, translation; point = x*row0 + y*row1 + z*row2 + row3),
// with the same computation as InvertAffine.
void InvertAffineRows(float rows[12]);

// out[i] = in[i] transformed by a (no division by w); count 0 writes nothing.
// out and in may be the same array.
void TransformPoints(const Matrix4& a, Vector3* out, const Vector3* in, int count);

// The matrix that glFrustum(l, r, b, t, n, f) multiplies onto the current matrix.
void FrustumMatrix(Matrix4& out, float l, float r, float b, float t, float n, float f);

}  // namespace sunvale
