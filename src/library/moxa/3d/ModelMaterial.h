// ModelMaterial: a material of a 3DS model. Record 0 of a model is the
// built-in default material; file materials start with all fields zero.
#pragma once

#include <cstdint>

#include "library/moxa/3d/MaterialMap.h"

namespace sunvale {

constexpr int kModelNameLength = 19;  // names keep at most 19 characters

struct ModelMaterial {
    char name[kModelNameLength + 1] = {};
    uint8_t color[4] = {0, 0, 0, 0};  // packed display colour, not read from files
    float ambient[3] = {0, 0, 0};     // 0..1
    float diffuse[3] = {0, 0, 0};
    float specular[3] = {0, 0, 0};
    MaterialMap textureMap;
    MaterialMap reflectionMap;
    MaterialMap opacityMap;
    MaterialMap bumpMap;
    uint32_t twoSided = 0;
    uint32_t wire = 0;

    // Name "default", colour (240, 240, 240, 0), white ambient, diffuse and specular.
    void SetDefault();
};

}  // namespace sunvale
