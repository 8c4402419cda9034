// ModelFace: one triangle of the model's pool.
#pragma once

#include <cstdint>

namespace sunvale {

struct ModelVertex;
struct ModelMaterial;

constexpr uint32_t kFaceWrapsU = 8;  // face flag: the U coordinate wraps

struct ModelFace {
    float uv[3][2] = {{0, 0}, {0, 0}, {0, 0}};  // per corner (u, v)
    ModelVertex* vertex[3] = {nullptr, nullptr, nullptr};
    float normal[3] = {0, 0, 0};          // unit; file space, then object space
    const float* objectMatrix = nullptr;  // the owner's localMatrix (12 floats)
    ModelMaterial* material = nullptr;
    uint32_t corners = 3;
    uint32_t flags = 0;  // the file's 16-bit face flags
};

}  // namespace sunvale
