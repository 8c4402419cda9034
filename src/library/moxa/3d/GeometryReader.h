// GeometryReader: the materials pass and the geometry pass of the 3DS loader,
// over the editor chunk (3D3D) of a file, filling a Model.
#pragma once

#include <cstdint>

#include "library/moxa/3d/Chunk3ds.h"
#include "library/moxa/3d/Model.h"

namespace sunvale {

class GeometryReader {
public:
    explicit GeometryReader(Model& model) : model_(model) {}

    // Default material plus the editor's material chunks (at most 255; later
    // ones are ignored). editor may be null. Returns 0 only when out of memory.
    int ReadMaterials(const Chunk3ds* editor);

    // Mesh objects, lights, cameras and ambient light, then object-local
    // geometry and bounds. Returns 0 when a face names a vertex beyond its
    // object's vertex list (the file is rejected) or when out of memory.
    int ReadGeometry(const Chunk3ds& editor);

private:
    void CountObjects(const Chunk3ds& editor, uint32_t counts[5]);
    int AllocatePools(const uint32_t counts[5]);
    int ReadMesh(const Chunk3ds& mesh, ModelObject& object);
    int ReadFaceList(const Chunk3ds& faceList, ModelObject& object, const uint8_t* mapping,
                     uint32_t mappingPairs);
    void ReadMaterialGroup(const Chunk3ds& group, ModelObject& object);
    void ReadLight(const Chunk3ds& chunk, ModelLight& light);
    void ReadCamera(const Chunk3ds& chunk, ModelCamera& camera);
    ModelMaterial* FindMaterial(const char* name) const;

    Model& model_;
    uint32_t vertexCapacity_ = 0;
    uint32_t faceCapacity_ = 0;
    uint32_t nextVertex_ = 0;
    uint32_t nextFace_ = 0;
};

}  // namespace sunvale
