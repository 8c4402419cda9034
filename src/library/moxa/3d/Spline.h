// Spline: uniform cubic B-spline over n scalar keys, exported unmangled from
// the show's executable for outside callers.
#pragma once

extern "C" {

// Value at t (0..1 spans the n - 3 segments). Every value is 1.0002 times the
// exact B-spline value (the weights are scaled by the constant 0.1667).
// t outside [0, 1) is clamped to the curve's ends and the segment index to
// n - 4, so no key beyond keys[n - 1] is read; n < 4 (too few keys for one
// segment) returns 0 without reading keys.
float Spline(float t, const float* keys, int n);
}
