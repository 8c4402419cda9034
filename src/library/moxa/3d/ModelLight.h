// ModelLight: an omni light or spotlight of a 3DS model.
#pragma once

#include <cstdint>

#include "library/moxa/3d/KeyTrack.h"
#include "library/moxa/3d/ModelMaterial.h"

namespace sunvale {

struct ModelLight {
    char name[kModelNameLength + 1] = {};
    uint32_t color = 0;                // 0x00RRGGBB, components 0..255
    float colorScaled[3] = {0, 0, 0};  // r, g, b as the same 0..255 values
    float position[3] = {0, 0, 0};
    float target[3] = {0, 0, 0};  // spotlights only
    uint16_t spot = 0;            // 1 for a spotlight
    KeyTrack positionTrack;
    KeyTrack colorTrack;
    KeyTrack falloffTrack;
    KeyTrack hotspotTrack;
    KeyTrack rollTrack;
    KeyTrack targetTrack;
    uint32_t parent = 0;
    uint32_t targetParent = 0;
};

}  // namespace sunvale
