// Geometry derived while a model is read: face and vertex normals, texture
// coordinates (from the file or from the normals), the U-wrap fix, object-local
// positions and normals, and bounds.
#pragma once

#include <cstdint>

#include "library/moxa/3d/Model.h"

namespace sunvale {

// normal = unit (p1 - p0) x (p2 - p0) of the corners' positions; a degenerate
// face gets a non-finite normal.
void ComputeFaceNormal(ModelFace& face);

// Texture coordinates from a mapping chunk's data: pairCount (u, v) floats,
// little-endian, at mapping. Each face corner gets (u, 1 - v) of its vertex,
// whose unmapped flag is cleared. Corners whose vertex has no pair keep theirs.
void AssignMapping(ModelObject& object, const uint8_t* mapping, uint32_t pairCount);

// Vertex normal = average of the normals of the object's faces that use the
// vertex (not renormalised); then every corner of a still unmapped vertex gets
// uv = normal.xy * 0.5 + 0.5.
void ComputeVertexNormals(ModelObject& object);

// For faces flagged kFaceWrapsU: corner pairs 0->1, 1->2, 2->0 in turn; when
// |u(second) - u(first)| > 5.6875 the second u moves by 7.0 towards the first.
void FixUWrap(ModelObject& object);

// local = position through localMatrix; localNormal and face normals through
// its 3x3 part, for every mesh object.
void ToLocalSpace(Model& model);

// Per object, the box of the local positions (empty-box values without vertices).
void ComputeBounds(Model& model);

}  // namespace sunvale
