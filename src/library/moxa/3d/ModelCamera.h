// ModelCamera: a camera of a 3DS model.
#pragma once

#include <cstdint>

#include "library/moxa/3d/KeyTrack.h"
#include "library/moxa/3d/ModelMaterial.h"

namespace sunvale {

struct ModelCamera {
    char name[kModelNameLength + 1] = {};
    float position[3] = {0, 0, 0};
    float target[3] = {0, 0, 0};
    float lens = 0.0f;  // focal length as stored
    float bank = 0.0f;  // radians
    KeyTrack positionTrack;
    KeyTrack fovTrack;   // radians
    KeyTrack rollTrack;  // radians
    KeyTrack targetTrack;
    uint32_t parent = 0;
    uint32_t targetParent = 0;
    // Raw 32-bit words of the camera's ranges sub-chunk (the bit patterns of
    // its near and far floats); 0 without one.
    uint32_t nearRange = 0;
    uint32_t farRange = 0;
};

}  // namespace sunvale
