// Writer3ds: builds a 3DS scene file in memory from plain descriptions.
//
// It writes every chunk that the model loader (library/moxa/3d/ModelLoader.h)
// reads, so tests and the data generator can build their files in code.
//
// AXES. Every point and vector given to the writer is in FILE axes, exactly as
// it is stored in the file (3D Studio's Z-up convention). The loader exchanges
// Y and Z of everything it reads: a file point (x, y, z) becomes (x, z, y) in
// the Model. Rotation-key axes and the pivot are in addition negated by the
// loader. So to get a Model vertex at (X, Y, Z) (Y up), write (X, Z, Y).
// The exchange is a mirror: face normals are computed after it, as
// (p1 - p0) x (p2 - p0) of the exchanged points. A face that is
// counter-clockwise seen from outside in FILE axes gets an inward Model
// normal; to get outward Model normals, give the corners in the order that is
// counter-clockwise in MODEL axes (equivalently clockwise in file axes).
// Texture coordinates fall back to normal.xy * 0.5 + 0.5 for vertices that
// have no (u, v) pair; the loader stores v as 1 - v.
//
// UNITS. Rotation-key angles are written in radians (as 3D Studio stores
// them); camera bank and FOV/roll key values are written in DEGREES (the
// loader converts them to radians). Byte colours are 0..255.
//
// Layout written (ids in hex):
//   root (rootId, default 4D4D)
//     0002 version
//     3D3D editor
//       3D3E mesh version
//       AFFF material       A000 name, A010/A020/A030 {0011 rgb bytes},
//                           A081 two-sided, A085 wire, A200/A210/A220/A230 {A300 name}
//       2100 ambient light  {0011 rgb bytes}            (when hasAmbient)
//       4000 named object   name, then 4100 mesh:
//                             4110 vertices, [4140 mapping], 4160 matrix,
//                             4120 faces {4130 material groups, 4150 smoothing},
//                             [4140 mapping when mappingAfterFaces]
//       4000 named object   name, then 4600 light: position, {0010 rgb floats, [4610 spot]}
//       4000 named object   name, then 4700 camera: position, target, bank, lens, [4720 ranges]
//     B000 keyframer
//       B008 segment        start, end                (when hasSegment)
//       B002..B007 nodes    B010 header, [B011 instance name], [B013 pivot], tracks B020..B029
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sunvale {

// A material (chunk AFFF). Colours are written as 24-bit byte colours (0011).
struct Writer3dsMaterial {
    std::string name;                // the loader keeps up to 19 characters
    uint8_t ambient[3] = {0, 0, 0};  // r, g, b 0..255
    uint8_t diffuse[3] = {0, 0, 0};
    uint8_t specular[3] = {0, 0, 0};
    bool twoSided = false;      // A081
    bool wire = false;          // A085
    std::string textureMap;     // A200; empty = no chunk
    std::string opacityMap;     // A210
    std::string reflectionMap;  // A220
    std::string bumpMap;        // A230
};

// Faces of a mesh that use a material (chunk 4130).
struct Writer3dsFaceGroup {
    std::string material;         // material name
    std::vector<uint16_t> faces;  // face indices within the mesh
};

// A mesh object (chunk 4000 + 4100).
struct Writer3dsMesh {
    std::string name;
    std::vector<float> xyz;           // 3 floats per vertex, file axes; count < 65536
    std::vector<float> uv;            // 2 floats (u, v) per vertex; empty = no 4140 chunk
    bool mappingAfterFaces = false;   // write 4140 after the face list (the loader then ignores it)
    std::vector<uint16_t> faces;      // 4 per face: vertex a, b, c, flags (bit value 8 = U wraps)
    std::vector<uint32_t> smoothing;  // one group mask per face; empty = no 4150 chunk
    bool hasMatrix = true;            // write 4160
    // Mesh matrix in file axes: X axis, Y axis, Z axis, origin (3 floats each).
    float matrix[12] = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    std::vector<Writer3dsFaceGroup> groups;
};

// A light (chunk 4000 + 4600).
struct Writer3dsLight {
    std::string name;
    float position[3] = {0, 0, 0};  // file axes
    float color[3] = {1, 1, 1};     // 0010: r, g, b floats 0..1
    bool spot = false;              // writes 4610
    float target[3] = {0, 0, 0};    // spot target, file axes
    float hotspot = 30.0f;          // degrees, inside 4610
    float falloff = 45.0f;
};

// A camera (chunk 4000 + 4700).
struct Writer3dsCamera {
    std::string name;
    float position[3] = {0, 0, 0};  // file axes
    float target[3] = {0, 0, -1};
    float bank = 0.0f;       // degrees
    float lens = 35.0f;      // focal length
    bool hasRanges = false;  // writes 4720 as the camera's first sub-chunk
    float nearRange = 0.0f;
    float farRange = 0.0f;
};

// Track chunk ids of the keyframer.
enum : uint16_t {
    kTrack3dsPosition = 0xB020,  // 3 floats x, y, z (file axes); also target tracks
    kTrack3dsRotation = 0xB021,  // 4 floats: angle (radians), axis x, y, z (file axes)
    kTrack3dsScale = 0xB022,     // 3 floats
    kTrack3dsFov = 0xB023,       // 1 float, degrees
    kTrack3dsRoll = 0xB024,      // 1 float, degrees
    kTrack3dsColor = 0xB025,     // 3 floats r, g, b
    kTrack3dsMorph = 0xB026,     // name of the target object
    kTrack3dsHotspot = 0xB027,   // 1 float
    kTrack3dsFalloff = 0xB028,   // 1 float
    kTrack3dsHide = 0xB029,      // no value; 4 padding bytes are written
};

// Node chunk ids of the keyframer.
enum : uint16_t {
    kNode3dsObject = 0xB002,  // mesh object, or a dummy when name is "$$$DUMMY"
    kNode3dsCamera = 0xB003,
    kNode3dsCameraTarget = 0xB004,
    kNode3dsLight = 0xB005,  // omni light
    kNode3dsLightTarget = 0xB006,
    kNode3dsSpotlight = 0xB007,
};

// One key. After frame and splineFlags, one float per set bit of splineFlags
// (bit 0 tension, 1 continuity, 2 bias, 3 ease to, 4 ease from, higher bits
// are written from spline[5..15] and skipped by the loader), then the value.
struct Writer3dsKey {
    uint32_t frame = 0;
    uint16_t splineFlags = 0;
    float spline[16] = {};
    float value[4] = {0, 0, 0, 0};  // as many as the track type takes
    std::string morphTarget;        // morph tracks only
};

struct Writer3dsTrack {
    uint16_t id = kTrack3dsPosition;  // one of kTrack3ds*
    uint16_t flags = 0;               // track flags (loop/repeat), not read by the loader
    std::vector<Writer3dsKey> keys;
};

struct Writer3dsNode {
    uint16_t id = kNode3dsObject;  // one of kNode3ds*
    std::string name;              // B010 name: the object/camera/light, or "$$$DUMMY"
    std::string instance;          // B011 instance name; empty = no chunk
    uint16_t flags1 = 0;
    uint16_t flags2 = 0;
    uint16_t parent = 0xFFFF;    // hierarchy index, 65535 = none
    bool hasPivot = false;       // B013
    float pivot[3] = {0, 0, 0};  // file axes
    std::vector<Writer3dsTrack> tracks;
};

struct Writer3dsScene {
    uint16_t rootId = 0x4D4D;
    bool hasEditor = true;    // write 3D3D
    bool hasAmbient = false;  // write 2100
    std::vector<Writer3dsMaterial> materials;
    std::vector<Writer3dsMesh> meshes;  // named objects are written meshes, lights, cameras
    std::vector<Writer3dsLight> lights;
    std::vector<Writer3dsCamera> cameras;
    bool hasKeyframer = true;  // write B000
    bool hasSegment = false;   // write B008
    uint32_t segmentStart = 0;
    uint32_t segmentEnd = 100;
    std::vector<Writer3dsNode> nodes;
};

// The whole file as bytes (little-endian). Never fails; sizes beyond the
// format's 16-bit counts are the caller's responsibility.
std::vector<uint8_t> Write3ds(const Writer3dsScene& scene);

// Low-level helper for tests that need hand-made chunks: appends a chunk
// with the given id and payload (header of 6 bytes included in its length).
void Append3dsChunk(std::vector<uint8_t>& out, uint16_t id, const std::vector<uint8_t>& payload);

}  // namespace sunvale
