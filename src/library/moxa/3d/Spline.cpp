// The exported B-spline evaluator. It has C linkage so that the show's
// executable lists it as "Spline" in its dynamic symbol table.
#include "library/moxa/3d/Spline.h"

#include <cmath>

extern "C" float Spline(float t, const float* keys, int n)
{
    // Fewer than four keys make no segment: nothing to read.
    if (n < 4 || keys == nullptr) return 0.0f;
    // Clamp t into the curve (NaN goes to 0) so the segment stays in range.
    if (!(t >= 0.0f)) t = 0.0f;
    if (t > 1.0f) t = 1.0f;

    const float s = static_cast<float>(n - 3) * t;
    const float segment = std::floor(s);
    // t = 1 would select segment n - 3 and touch keys[n]; stay on the last
    // segment at its end instead (same value, the fourth weight is 0 there).
    // Compared in double before the conversion: for n near 2^31, n - 3 rounds
    // to 2^31 in single precision, which no int holds.
    int i = n - 4;
    if (static_cast<double>(segment) <= static_cast<double>(n - 4)) i = static_cast<int>(segment);
    const float u = s - static_cast<float>(i);

    const float u2 = u * u;
    const float u3 = u2 * u;
    const float w0 = (1.0f - u) * (1.0f - u) * (1.0f - u);
    const float w1 = 3.0f * u3 - 6.0f * u2 + 4.0f;
    const float w2 = 3.0f * (u + u2) - 3.0f * u3 + 1.0f;
    const float w3 = u3;
    return 0.1667f * (w1 * keys[i + 1] + w0 * keys[i] + w2 * keys[i + 2] + w3 * keys[i + 3]);
}
