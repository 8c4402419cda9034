// ModelObject: a mesh object (vertices and faces in the model's pools) or a
// keyframer dummy, with its keyframer tracks.
#pragma once

#include <cstdint>

#include "library/moxa/3d/KeyTrack.h"
#include "library/moxa/3d/ModelMaterial.h"

namespace sunvale {

struct ModelVertex;
struct ModelFace;

constexpr float kEmptyBounds = 268435456.0f;  // bounds of an object without vertices

struct ModelObject {
    char name[kModelNameLength + 1] = {};
    ModelVertex* vertices = nullptr;  // into the model's pool
    uint32_t vertexCount = 0;
    ModelFace* faces = nullptr;  // into the model's pool
    uint32_t faceCount = 0;
    float boundsMin[3] = {kEmptyBounds, kEmptyBounds, kEmptyBounds};
    float boundsMax[3] = {-kEmptyBounds, -kEmptyBounds, -kEmptyBounds};
    float pivot[3] = {0, 0, 0};  // negated keyframer pivot
    // Inverse of the file's mesh matrix, rows X axis, Y axis, Z axis,
    // translation: a point maps to x*row0 + y*row1 + z*row2 + row3. Identity
    // when the mesh has no matrix chunk.
    float localMatrix[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    KeyTrack positionTrack;
    KeyTrack rotationTrack;
    KeyTrack scaleTrack;
    KeyTrack hideTrack;
    MorphTrack morphTrack;
    uint32_t parent = 0;  // keyframer hierarchy index, 65535 = none
    uint32_t smooth = 0;  // 1 with a smoothing-group chunk; 1 for dummies
};

}  // namespace sunvale
