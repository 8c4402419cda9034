// TrackKey: one key of a keyframer track (all tracks but morph).
#pragma once

#include <cstdint>

namespace sunvale {

struct TrackKey {
    uint32_t frame = 0;
    uint32_t state = 0;  // hide tracks: 65535 on the first key, 0 on the second, alternating
    float tension = 0.0f;
    float continuity = 0.0f;
    float bias = 0.0f;
    float easeTo = 0.0f;
    float easeFrom = 0.0f;
    // Vectors: [1..3] = (x, y, z); rotation: unit quaternion (w, x, y, z),
    // accumulated; scalars: [0].
    float value[4] = {0, 0, 0, 0};
    float tangentIn[4] = {0, 0, 0, 0};  // Kochanek-Bartels tangents
    float tangentOut[4] = {0, 0, 0, 0};
};

}  // namespace sunvale
