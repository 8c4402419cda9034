// Preparation of keyframer tracks: rotation keys accumulated into
// quaternions and Kochanek-Bartels tangents for every key.
#pragma once

#include <cstdint>

#include "library/moxa/3d/TrackKey.h"

namespace sunvale {

// Quaternion (w, x, y, z) of a rotation key read from a file: angle in
// radians and the file's axis; Y and Z are exchanged and the axis negated:
// (cos(a/2), -sin(a/2)*ax, -sin(a/2)*az, -sin(a/2)*ay).
void RotationKeyQuaternion(float angle, float ax, float ay, float az, float out[4]);

// out = a (x) b, the Hamilton product (a on the left). out may alias a or b.
void MultiplyQuaternion(const float a[4], const float b[4], float out[4]);

// tangentIn/tangentOut of all four value components from frames, values and
// tension/continuity/bias: nothing for one key, the value difference scaled
// by (1 - tension) for two, Kochanek-Bartels for inner keys and the
// three-key end rules for the first and last key otherwise.
void PrepareTrack(TrackKey* keys, uint32_t count);

}  // namespace sunvale
