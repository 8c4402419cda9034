// The keyframer of a 3DS file: node chunks (B002..B007) naming the objects,
// cameras and lights they animate, "$$$DUMMY" nodes that become dummy
// objects, and the key tracks of each node. Counts are checked against the
// bytes of their chunk before anything is allocated or read.
#include "library/moxa/3d/KeyframerReader.h"

#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "library/moxa/3d/TrackPreparation.h"

namespace sunvale {

namespace {

enum : uint16_t {
    kChunkObjectNode = 0xB002,
    kChunkCameraNode = 0xB003,
    kChunkCameraTargetNode = 0xB004,
    kChunkLightNode = 0xB005,
    kChunkLightTargetNode = 0xB006,
    kChunkSpotlightNode = 0xB007,
    kChunkSegment = 0xB008,
    kChunkNodeHeader = 0xB010,
    kChunkInstanceName = 0xB011,
    kChunkPivot = 0xB013,
    kChunkPositionTrack = 0xB020,
    kChunkRotationTrack = 0xB021,
    kChunkScaleTrack = 0xB022,
    kChunkFovTrack = 0xB023,
    kChunkRollTrack = 0xB024,
    kChunkColorTrack = 0xB025,
    kChunkMorphTrack = 0xB026,
    kChunkHotspotTrack = 0xB027,
    kChunkFalloffTrack = 0xB028,
    kChunkHideTrack = 0xB029,
};

constexpr uint32_t kMaxNodes = 8192;
constexpr float kDegToRad = 0.017453292f;  // pi/180
constexpr char kDummyName[] = "$$$DUMMY";
constexpr uint32_t kTrackKeysOffset = 20;  // flags, 8 unused bytes, key count
constexpr uint32_t kMinKeySize = 6;        // frame and spline flags

bool IsNode(uint16_t id) { return id >= kChunkObjectNode && id <= kChunkSpotlightNode; }

// The name at the start of a node's first sub-chunk with the given id; empty
// when there is none.
void NodeName(const Chunk3ds& node, uint16_t id, char name[kModelNameLength + 1])
{
    name[0] = '\0';
    Chunk3ds sub;
    if (!node.FindChild(id, 0, kChunkHeaderSize, sub)) return;
    ByteCursor cur = sub.Data();
    cur.Name(name, kModelNameLength + 1);
}

// Key count of a track chunk, cut to what its bytes can hold; cur is left at
// the first key.
uint32_t TrackKeyCount(const Chunk3ds& chunk, ByteCursor& cur)
{
    cur = chunk.Data(kTrackKeysOffset - 4);
    uint32_t count = 0;
    if (!cur.U32(count)) return 0;
    count &= 0xFFFF;
    const size_t fit = cur.Left() / kMinKeySize;
    return count < fit ? count : static_cast<uint32_t>(fit);
}

// Frame and spline parameters of a key; floats of flag bits above 4 are
// read past. False when the key runs past the chunk.
template <typename Key>
bool ReadKeyHead(ByteCursor& cur, Key& key)
{
    uint32_t frame;
    uint16_t flags;
    if (!cur.U32(frame) || !cur.U16(flags)) return false;
    key.frame = frame & 0xFFFF;
    float* targets[5] = {&key.tension, &key.continuity, &key.bias, &key.easeTo, &key.easeFrom};
    for (int bit = 0; bit < 16; ++bit) {
        if (!(flags & (1u << bit))) continue;
        float f;
        if (!cur.F32(f)) return false;
        if (bit < 5) *targets[bit] = f;
    }
    return true;
}

bool ReadKeyValue(ByteCursor& cur, KeyframerReader::Value kind, uint32_t index, TrackKey& key,
                  const TrackKey* previous)
{
    using Value = KeyframerReader::Value;
    float v[4];
    switch (kind) {
    case Value::Vector:
        if (!cur.Floats(v, 3)) return false;
        key.value[1] = v[0];
        key.value[2] = v[2];
        key.value[3] = v[1];
        return true;
    case Value::Color:
        if (!cur.Floats(v, 3)) return false;
        key.value[1] = v[0];
        key.value[2] = v[1];
        key.value[3] = v[2];
        return true;
    case Value::Rotation: {
        if (!cur.Floats(v, 4)) return false;
        float r[4];
        RotationKeyQuaternion(v[0], v[1], v[2], v[3], r);
        if (previous == nullptr)
            std::memcpy(key.value, r, sizeof r);
        else
            MultiplyQuaternion(previous->value, r, key.value);
        return true;
    }
    case Value::Angle:
        if (!cur.F32(v[0])) return false;
        key.value[0] = v[0] * kDegToRad;
        return true;
    case Value::Scalar:
        return cur.F32(key.value[0]);
    case Value::Hide:
        key.state = (index % 2 == 0) ? 65535u : 0u;
        return cur.Skip(4);
    }
    return false;
}

}  // namespace

int KeyframerReader::ReadTrack(const Chunk3ds& chunk, Value value, KeyTrack& track)
{
    ByteCursor cur;
    const uint32_t count = TrackKeyCount(chunk, cur);
    std::unique_ptr<TrackKey[]> keys;
    if (count > 0) {
        keys.reset(new (std::nothrow) TrackKey[count]());
        if (!keys) return 0;
    }
    uint32_t read = 0;
    while (read < count) {
        TrackKey& key = keys[read];
        const TrackKey* previous = read > 0 ? &keys[read - 1] : nullptr;
        if (!ReadKeyHead(cur, key) || !ReadKeyValue(cur, value, read, key, previous)) {
            key = TrackKey();  // an incomplete last key is dropped
            break;
        }
        ++read;
    }
    track.keys = std::move(keys);
    track.count = read;
    if (value != Value::Hide) PrepareTrack(track.keys.get(), track.count);
    return 1;
}

int KeyframerReader::ReadMorphTrack(const Chunk3ds& chunk, MorphTrack& track)
{
    ByteCursor cur;
    const uint32_t count = TrackKeyCount(chunk, cur);
    std::unique_ptr<MorphKey[]> keys;
    if (count > 0) {
        keys.reset(new (std::nothrow) MorphKey[count]());
        if (!keys) return 0;
    }
    uint32_t read = 0;
    while (read < count) {
        MorphKey& key = keys[read];
        char name[kModelNameLength + 1];
        if (!ReadKeyHead(cur, key) || !cur.Name(name, sizeof name)) {
            key = MorphKey();
            break;
        }
        key.target = FindObject(name);
        ++read;
    }
    track.keys = std::move(keys);
    track.count = read;
    return 1;
}

int KeyframerReader::ReadNodeList(const Chunk3ds& keyframer)
{
    uint32_t nodes = 0;
    uint32_t offset = kChunkHeaderSize;
    Chunk3ds chunk;
    while (nodes < kMaxNodes && keyframer.NextChild(offset, chunk))
        if (IsNode(chunk.id)) ++nodes;
    if (nodes == 0) return 1;
    model_.nodes = new (std::nothrow) NodeEntry[nodes]();
    if (model_.nodes == nullptr) return 0;

    uint32_t dummies = 0;
    offset = kChunkHeaderSize;
    while (model_.nodeCount < nodes && keyframer.NextChild(offset, chunk)) {
        if (!IsNode(chunk.id)) continue;
        NodeEntry& entry = model_.nodes[model_.nodeCount++];
        char name[kModelNameLength + 1];
        NodeName(chunk, kChunkNodeHeader, name);
        switch (chunk.id) {
        case kChunkObjectNode:
            entry.kind = kNodeObject;
            if (std::strcmp(name, kDummyName) == 0)
                ++dummies;
            else
                entry.record = FindObject(name);
            break;
        case kChunkCameraNode:
        case kChunkCameraTargetNode:
            entry.kind = chunk.id == kChunkCameraNode ? kNodeCamera : kNodeCameraTarget;
            entry.record = FindCamera(name);
            break;
        default:
            entry.kind = chunk.id == kChunkLightTargetNode ? kNodeLightTarget : kNodeLight;
            entry.record = FindLight(name);
            break;
        }
    }
    if (dummies == 0) return 1;

    model_.dummies = new (std::nothrow) ModelObject[dummies]();
    if (model_.dummies == nullptr) return 0;
    uint32_t index = 0;
    offset = kChunkHeaderSize;
    while (index < model_.nodeCount && keyframer.NextChild(offset, chunk)) {
        if (!IsNode(chunk.id)) continue;
        NodeEntry& entry = model_.nodes[index++];
        char name[kModelNameLength + 1];
        NodeName(chunk, kChunkNodeHeader, name);
        if (chunk.id != kChunkObjectNode || std::strcmp(name, kDummyName) != 0) continue;
        ModelObject& dummy = model_.dummies[model_.dummyCount++];
        NodeName(chunk, kChunkInstanceName, dummy.name);
        dummy.smooth = 1;
        entry.record = &dummy;
    }
    return 1;
}

int KeyframerReader::Read(const Chunk3ds& keyframer)
{
    if (!ReadNodeList(keyframer)) return 0;
    uint32_t index = 0;
    uint32_t offset = kChunkHeaderSize;
    Chunk3ds chunk;
    while (keyframer.NextChild(offset, chunk) && !failed_) {
        if (chunk.id == kChunkSegment) {
            ByteCursor cur = chunk.Data();
            uint32_t start, end;
            if (cur.U32(start) && cur.U32(end))
                model_.frameCount = static_cast<int32_t>(end - start + 1u);
            continue;
        }
        if (!IsNode(chunk.id) || index >= model_.nodeCount) continue;
        ReadNode(chunk);
        ++index;
    }
    return failed_ ? 0 : 1;
}

void KeyframerReader::ReadNode(const Chunk3ds& node)
{
    Chunk3ds header;
    if (!node.FindChild(kChunkNodeHeader, 0, kChunkHeaderSize, header)) return;
    ByteCursor cur = header.Data();
    char name[kModelNameLength + 1];
    cur.Name(name, sizeof name);
    uint16_t flags1 = 0, flags2 = 0, parent = 0xFFFF;
    if (cur.U16(flags1) && cur.U16(flags2)) cur.U16(parent);

    uint32_t offset = kChunkHeaderSize;
    Chunk3ds sub;
    switch (node.id) {
    case kChunkObjectNode: {
        ModelObject* object = nullptr;
        if (std::strcmp(name, kDummyName) == 0) {
            char instance[kModelNameLength + 1];
            NodeName(node, kChunkInstanceName, instance);
            object = FindDummy(instance);
        } else {
            object = FindObject(name);
        }
        if (object == nullptr) return;  // names no record: skipped whole
        object->parent = parent;
        ReadObjectNode(node, *object);
        return;
    }
    case kChunkCameraNode:
    case kChunkCameraTargetNode: {
        ModelCamera* camera = FindCamera(name);
        if (camera == nullptr) return;
        const bool target = node.id == kChunkCameraTargetNode;
        (target ? camera->targetParent : camera->parent) = parent;
        while (node.NextChild(offset, sub) && !failed_) {
            int ok = 1;
            if (target) {
                if (sub.id == kChunkPositionTrack)
                    ok = ReadTrack(sub, Value::Vector, camera->targetTrack);
            } else if (sub.id == kChunkPositionTrack) {
                ok = ReadTrack(sub, Value::Vector, camera->positionTrack);
            } else if (sub.id == kChunkFovTrack) {
                ok = ReadTrack(sub, Value::Angle, camera->fovTrack);
            } else if (sub.id == kChunkRollTrack) {
                ok = ReadTrack(sub, Value::Angle, camera->rollTrack);
            }
            if (!ok) failed_ = 1;
        }
        return;
    }
    default: {
        ModelLight* light = FindLight(name);
        if (light == nullptr) return;
        const bool target = node.id == kChunkLightTargetNode;
        const bool spot = node.id == kChunkSpotlightNode;
        (target ? light->targetParent : light->parent) = parent;
        while (node.NextChild(offset, sub) && !failed_) {
            int ok = 1;
            if (target) {
                if (sub.id == kChunkPositionTrack)
                    ok = ReadTrack(sub, Value::Vector, light->targetTrack);
            } else if (sub.id == kChunkPositionTrack) {
                ok = ReadTrack(sub, Value::Vector, light->positionTrack);
            } else if (sub.id == kChunkColorTrack) {
                ok = ReadTrack(sub, Value::Color, light->colorTrack);
            } else if (spot && sub.id == kChunkRollTrack) {
                ok = ReadTrack(sub, Value::Angle, light->rollTrack);
            } else if (spot && sub.id == kChunkHotspotTrack) {
                ok = ReadTrack(sub, Value::Scalar, light->hotspotTrack);
            } else if (spot && sub.id == kChunkFalloffTrack) {
                ok = ReadTrack(sub, Value::Scalar, light->falloffTrack);
            }
            if (!ok) failed_ = 1;
        }
        return;
    }
    }
}

void KeyframerReader::ReadObjectNode(const Chunk3ds& node, ModelObject& object)
{
    uint32_t offset = kChunkHeaderSize;
    Chunk3ds sub;
    while (node.NextChild(offset, sub) && !failed_) {
        int ok = 1;
        switch (sub.id) {
        case kChunkPivot: {
            ByteCursor cur = sub.Data();
            float p[3];
            if (cur.Floats(p, 3)) {
                object.pivot[0] = -p[0];
                object.pivot[1] = -p[2];
                object.pivot[2] = -p[1];
            }
            break;
        }
        case kChunkPositionTrack:
            ok = ReadTrack(sub, Value::Vector, object.positionTrack);
            break;
        case kChunkRotationTrack:
            ok = ReadTrack(sub, Value::Rotation, object.rotationTrack);
            break;
        case kChunkScaleTrack:
            ok = ReadTrack(sub, Value::Vector, object.scaleTrack);
            break;
        case kChunkMorphTrack:
            ok = ReadMorphTrack(sub, object.morphTrack);
            break;
        case kChunkHideTrack:
            ok = ReadTrack(sub, Value::Hide, object.hideTrack);
            break;
        default:
            break;
        }
        if (!ok) failed_ = 1;
    }
}

ModelObject* KeyframerReader::FindObject(const char* name) const
{
    for (uint32_t i = 0; i < model_.objectCount; ++i)
        if (std::strcmp(model_.objects[i].name, name) == 0) return &model_.objects[i];
    return nullptr;
}

ModelObject* KeyframerReader::FindDummy(const char* name) const
{
    for (uint32_t i = 0; i < model_.dummyCount; ++i)
        if (std::strcmp(model_.dummies[i].name, name) == 0) return &model_.dummies[i];
    return nullptr;
}

ModelCamera* KeyframerReader::FindCamera(const char* name) const
{
    for (uint32_t i = 0; i < model_.cameraCount; ++i)
        if (std::strcmp(model_.cameras[i].name, name) == 0) return &model_.cameras[i];
    return nullptr;
}

ModelLight* KeyframerReader::FindLight(const char* name) const
{
    for (uint32_t i = 0; i < model_.lightCount; ++i)
        if (std::strcmp(model_.lights[i].name, name) == 0) return &model_.lights[i];
    return nullptr;
}

}  // namespace sunvale
