// Model: the in-memory form of a 3DS scene file. Pooled vertices and faces
// (mesh objects index into the pools), materials, lights, cameras, dummies
// and the keyframer's nodes. All coordinates have file Y and Z exchanged.
// The model owns every array; an empty category has a null array and count 0.
#pragma once

#include <cstdint>
#include <string>

#include "library/moxa/3d/ModelCamera.h"
#include "library/moxa/3d/ModelFace.h"
#include "library/moxa/3d/ModelLight.h"
#include "library/moxa/3d/ModelMaterial.h"
#include "library/moxa/3d/ModelObject.h"
#include "library/moxa/3d/ModelVertex.h"
#include "library/moxa/3d/NodeEntry.h"

namespace sunvale {

struct Model {
    Model() = default;
    ~Model();  // releases every owned array, map name and key array
    Model(const Model&) = delete;
    Model& operator=(const Model&) = delete;

    std::string name;  // archive path the model was loaded from
    ModelMaterial* materials = nullptr;
    uint32_t materialCount = 0;  // includes the default material at index 0
    ModelVertex* vertices = nullptr;
    uint32_t vertexCount = 0;
    ModelFace* faces = nullptr;
    uint32_t faceCount = 0;
    ModelObject* objects = nullptr;
    uint32_t objectCount = 0;
    ModelLight* lights = nullptr;
    uint32_t lightCount = 0;
    ModelCamera* cameras = nullptr;
    uint32_t cameraCount = 0;
    ModelObject* dummies = nullptr;
    uint32_t dummyCount = 0;
    NodeEntry* nodes = nullptr;
    uint32_t nodeCount = 0;
    float ambient[3] = {0, 0, 0};  // (10, 10, 10) with an ambient-light chunk
    int32_t frameCount = 0;        // segment end - start + 1; 0 without a segment
    // Playback state, set to 0, 0, 60 after loading; nothing reads it.
    uint32_t playbackFrame = 0;
    uint32_t playbackFlags = 0;
    float playbackRate = 0.0f;
};

// Deletes a model returned by LoadModel (null is allowed).
void ReleaseModel(Model* model);

}  // namespace sunvale
