// The light plane shared by the plane fan and the plane star: one 600 x 600
// textured square in the plane z = 0 of the current matrix, its texture
// coordinates offset by (u, v).
#pragma once

#include <array>

namespace sunvale {

struct PlaneCorner {
    float x, y;  // units, z = 0
    float s, t;  // texture coordinates
};

// Corners in drawing order: top left, top right, bottom right, bottom left.
std::array<PlaneCorner, 4> PlaneCorners(float u, float v);

// Emits the quad of PlaneCorners(u, v). Sets no other state.
void DrawPlane(float u, float v);

}  // namespace sunvale
