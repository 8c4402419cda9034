// The stylised human head of the show: a closed, smooth mesh grown from a
// UV sphere (skull, face, nose, brow, eye sockets, lips, chin, ears, neck),
// and its 3DS file with material, smoothing groups, mesh matrix and a
// keyframer node.
#pragma once

#include <cstdint>
#include <vector>

namespace sunvale {
namespace datagen {

struct HeadMesh {
    std::vector<float> xyz;         // 3 per vertex, show axes: Y up, face towards +Z
    std::vector<float> uv;          // 2 per vertex, spherical mapping
    std::vector<uint16_t> corners;  // 3 per triangle, counter-clockwise seen from outside
};

class HeadModel {
public:
    static constexpr int kRings = 80;     // latitude rings between the poles
    static constexpr int kSegments = 90;  // vertices around each ring

    static HeadMesh BuildMesh();
    // The 3DS file "thead.3ds": one object "Head".
    static std::vector<uint8_t> Write3dsFile(const HeadMesh& mesh);
};

}  // namespace datagen
}  // namespace sunvale
