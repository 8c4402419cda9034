// MorphKey: one key of a morph track; its target is a mesh object of the model.
#pragma once

#include <cstdint>

namespace sunvale {

struct ModelObject;

struct MorphKey {
    uint32_t frame = 0;
    float tension = 0.0f;
    float continuity = 0.0f;
    float bias = 0.0f;
    float easeTo = 0.0f;
    float easeFrom = 0.0f;
    ModelObject* target = nullptr;  // none if no object has the key's name
};

}  // namespace sunvale
