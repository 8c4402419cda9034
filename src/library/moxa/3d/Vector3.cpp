// Vector operations of the 3D toolkit, all single precision.
#include "library/moxa/3d/Vector3.h"

#include <cmath>

namespace sunvale {

void Normalize(Vector3& v)
{
    float s = v.x * v.x + v.y * v.y + v.z * v.z;
    if (std::sqrt(s) != 0.0f) {
        float k = std::sqrt(1.0f / s);
        v.x *= k;
        v.y *= k;
        v.z *= k;
    }
}

}  // namespace sunvale
