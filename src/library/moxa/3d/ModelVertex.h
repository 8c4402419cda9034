// ModelVertex: one vertex of the model's pool, in file and object-local space.
#pragma once

#include <cstdint>

namespace sunvale {

struct ModelVertex {
    float local[3] = {0, 0, 0};        // position through the object's localMatrix
    float position[3] = {0, 0, 0};     // as in the file, Y and Z exchanged
    float localNormal[3] = {0, 0, 0};  // normal through localMatrix's 3x3 part
    float normal[3] = {0, 0, 0};       // average of the using faces' normals
    uint32_t unmapped = 0;             // 1 until a file texture coordinate is assigned
};

}  // namespace sunvale
