// Derived geometry of a model's mesh objects, computed while it is read.
#include "library/moxa/3d/ModelGeometry.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>

namespace sunvale {

namespace {

float ReadFloatLE(const uint8_t* p)
{
    uint32_t bits = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                    static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

// out = m's 3x3 rows applied to v (x*row0 + y*row1 + z*row2).
void Turn(const float* m, const float v[3], float out[3])
{
    const float x = v[0], y = v[1], z = v[2];
    for (int j = 0; j < 3; ++j) out[j] = x * m[j] + y * m[3 + j] + z * m[6 + j];
}

}  // namespace

void ComputeFaceNormal(ModelFace& face)
{
    const float* p0 = face.vertex[0]->position;
    const float* p1 = face.vertex[1]->position;
    const float* p2 = face.vertex[2]->position;
    const float e1[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    const float e2[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    const float c[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                        e1[0] * e2[1] - e1[1] * e2[0]};
    const float len = std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    for (int j = 0; j < 3; ++j) face.normal[j] = c[j] / len;
}

void AssignMapping(ModelObject& object, const uint8_t* mapping, uint32_t pairCount)
{
    for (uint32_t f = 0; f < object.faceCount; ++f) {
        ModelFace& face = object.faces[f];
        for (int c = 0; c < 3; ++c) {
            const uint32_t index = static_cast<uint32_t>(face.vertex[c] - object.vertices);
            if (index >= pairCount) continue;  // mapping shorter than the vertex list
            const uint8_t* pair = mapping + size_t{8} * index;
            face.uv[c][0] = ReadFloatLE(pair);
            face.uv[c][1] = 1.0f - ReadFloatLE(pair + 4);
            face.vertex[c]->unmapped = 0;
        }
    }
}

void ComputeVertexNormals(ModelObject& object)
{
    // Accumulated per face in face order, which sums each vertex's face
    // normals in the same order as visiting all faces per vertex, in time
    // proportional to vertices + faces. A face counts once per vertex even
    // if it names that vertex twice.
    for (uint32_t v = 0; v < object.vertexCount; ++v) {
        float* n = object.vertices[v].normal;
        n[0] = n[1] = n[2] = 0.0f;
    }
    std::unique_ptr<uint32_t[]> uses(new (std::nothrow) uint32_t[object.vertexCount + 1]());
    if (!uses) return;
    for (uint32_t f = 0; f < object.faceCount; ++f) {
        const ModelFace& face = object.faces[f];
        for (int c = 0; c < 3; ++c) {
            ModelVertex* v = face.vertex[c];
            if ((c > 0 && v == face.vertex[0]) || (c > 1 && v == face.vertex[1])) continue;
            for (int j = 0; j < 3; ++j) v->normal[j] += face.normal[j];
            ++uses[v - object.vertices];
        }
    }
    for (uint32_t v = 0; v < object.vertexCount; ++v) {
        float* n = object.vertices[v].normal;
        const float count = static_cast<float>(uses[v]);  // 0 gives a non-finite normal
        for (int j = 0; j < 3; ++j) n[j] = n[j] / count;
    }

    for (uint32_t f = 0; f < object.faceCount; ++f) {
        ModelFace& face = object.faces[f];
        for (int c = 0; c < 3; ++c) {
            const ModelVertex* v = face.vertex[c];
            if (!v->unmapped) continue;
            face.uv[c][0] = v->normal[0] * 0.5f + 0.5f;
            face.uv[c][1] = v->normal[1] * 0.5f + 0.5f;
        }
    }
}

void FixUWrap(ModelObject& object)
{
    for (uint32_t f = 0; f < object.faceCount; ++f) {
        ModelFace& face = object.faces[f];
        if (!(face.flags & kFaceWrapsU)) continue;
        for (int c = 0; c < 3; ++c) {
            const float first = face.uv[c][0];
            float& second = face.uv[(c + 1) % 3][0];
            const float d = second - first;
            if (std::fabs(d) > 5.6875f) second = d > 0.0f ? second - 7.0f : second + 7.0f;
        }
    }
}

void ToLocalSpace(Model& model)
{
    for (uint32_t o = 0; o < model.objectCount; ++o) {
        ModelObject& object = model.objects[o];
        const float* m = object.localMatrix;
        for (uint32_t v = 0; v < object.vertexCount; ++v) {
            ModelVertex& vertex = object.vertices[v];
            Turn(m, vertex.position, vertex.local);
            for (int j = 0; j < 3; ++j) vertex.local[j] += m[9 + j];
            Turn(m, vertex.normal, vertex.localNormal);
        }
        for (uint32_t f = 0; f < object.faceCount; ++f) {
            float turned[3];
            Turn(m, object.faces[f].normal, turned);
            std::memcpy(object.faces[f].normal, turned, sizeof turned);
        }
    }
}

void ComputeBounds(Model& model)
{
    for (uint32_t o = 0; o < model.objectCount; ++o) {
        ModelObject& object = model.objects[o];
        for (int j = 0; j < 3; ++j) {
            object.boundsMin[j] = kEmptyBounds;
            object.boundsMax[j] = -kEmptyBounds;
        }
        for (uint32_t v = 0; v < object.vertexCount; ++v) {
            const float* p = object.vertices[v].local;
            for (int j = 0; j < 3; ++j) {
                if (p[j] < object.boundsMin[j]) object.boundsMin[j] = p[j];
                if (p[j] > object.boundsMax[j]) object.boundsMax[j] = p[j];
            }
        }
    }
}

}  // namespace sunvale
