// KeyframerReader: the keyframer pass of the 3DS loader over chunk B000:
// node list, dummy objects, and each node's header, pivot and key tracks.
#pragma once

#include <cstdint>

#include "library/moxa/3d/Chunk3ds.h"
#include "library/moxa/3d/Model.h"

namespace sunvale {

class KeyframerReader {
public:
    explicit KeyframerReader(Model& model) : model_(model) {}

    // Returns 0 only when out of memory. At most 8192 nodes are read; later
    // node chunks are ignored.
    int Read(const Chunk3ds& keyframer);

    // How a track's key values are stored.
    enum class Value { Vector, Color, Rotation, Angle, Scalar, Hide };

    // Reads a track chunk (B020..B029 except morph) into track, replacing any
    // keys it held, then prepares its tangents (not for hide tracks). Keys
    // beyond the chunk's data are dropped. Returns 0 when out of memory.
    static int ReadTrack(const Chunk3ds& chunk, Value value, KeyTrack& track);

private:
    int ReadNodeList(const Chunk3ds& keyframer);
    void ReadNode(const Chunk3ds& node);
    int ReadMorphTrack(const Chunk3ds& chunk, MorphTrack& track);
    void ReadObjectNode(const Chunk3ds& node, ModelObject& object);
    ModelObject* FindObject(const char* name) const;
    ModelObject* FindDummy(const char* name) const;
    ModelCamera* FindCamera(const char* name) const;
    ModelLight* FindLight(const char* name) const;

    Model& model_;
    int failed_ = 0;  // set when an allocation failed
};

}  // namespace sunvale
