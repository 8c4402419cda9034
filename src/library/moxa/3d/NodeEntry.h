// NodeEntry: one keyframer node of a model: a record and its kind.
#pragma once

#include <cstdint>

namespace sunvale {

struct ModelObject;
struct ModelCamera;
struct ModelLight;

enum : uint32_t {
    kNodeObject = 1,  // mesh or dummy object
    kNodeCamera = 2,
    kNodeLight = 3,  // omni or spot
    kNodeCameraTarget = 4,
    kNodeLightTarget = 5,
};

struct NodeEntry {
    void* record = nullptr;  // null when the node names no record
    uint32_t kind = 0;

    ModelObject* AsObject() const
    {
        return kind == kNodeObject ? static_cast<ModelObject*>(record) : nullptr;
    }
    ModelCamera* AsCamera() const
    {
        return (kind == kNodeCamera || kind == kNodeCameraTarget)
                   ? static_cast<ModelCamera*>(record)
                   : nullptr;
    }
    ModelLight* AsLight() const
    {
        return (kind == kNodeLight || kind == kNodeLightTarget) ? static_cast<ModelLight*>(record)
                                                                : nullptr;
    }
};

}  // namespace sunvale
