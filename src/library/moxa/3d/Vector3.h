// Vector3: three single-precision floats; arrays of points are packed runs of
// Vector3 (three floats per point).
#pragma once

namespace sunvale {

struct Vector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// Scales v to length 1 in place; a zero vector stays zero.
void Normalize(Vector3& v);

}  // namespace sunvale
