// The deformed head: a model's first mesh bent through a 5 x 5 x 5 lattice of
// control points that wobble with time. Every vertex is moved to the
// tricubic Catmull-Rom interpolation of the 64 control points around it, on
// the processor, every frame; the mesh is then drawn additively with a
// texture whose coordinates come from the vertex normals and scroll with time.
#pragma once

#include <cstdint>
#include <memory>

#include "effects/Effect.h"

namespace sunvale {

struct Model;

// Free-form deformation of a vertex stream through a grid of control points.
// The source's bounding box (slightly enlarged) is mapped onto the grid: its
// minimum corner onto control point (0, 0, 0), its maximum onto
// (nx - 1, ny - 1, nz - 1). Neither array is owned.
class Lattice {
public:
    Lattice() = default;

    // Bounds of the source vertices, lowered and raised by 0.0001 per axis.
    // Without source vertices (or without a source) the bounds stay at +1e30
    // and -1e30.
    void ComputeBounds();

    // ComputeBounds, then writes the deformed position of every source vertex
    // (3 floats) to destination, advancing by destinationStride bytes. Does
    // nothing without source, control points or a grid of at least 2 x 2 x 2.
    void Deform(float* destination, int32_t destinationStride);

    // The uniform Catmull-Rom spline through p1 (s = 0) and p2 (s = 1):
    // ((((3 p1 + p3 - p0 - 3 p2) * 0.5 * s + (2 p2 + p0 - (5 p1 + p3) * 0.5))
    //   * s + (p2 - p0) * 0.5) * s + p1, in single precision, in that order.
    [[nodiscard]] static float CatmullRom(float p0, float p1, float p2, float p3, float s);
    // CatmullRom on each of the three components.
    static void CatmullRom3(const float* p0, const float* p1, const float* p2, const float* p3,
                            float s, float* out);

    const float* source = nullptr;         // first vertex's x, y, z
    int32_t sourceStride = 0;              // bytes from one source vertex to the next
    const float* controlPoints = nullptr;  // index (z, y, x), x fastest
    int32_t controlStride = 0;             // bytes from one control point to the next
    int32_t sourceCount = 0;
    int32_t nx = 0, ny = 0, nz = 0;  // grid sizes per axis
    float boundsMin[3] = {0, 0, 0};
    float boundsMax[3] = {0, 0, 0};

private:
    const float* SourceAt(int32_t index) const;
    const float* ControlPointAt(int32_t x, int32_t y, int32_t z) const;
};

class CLatticeDeformEffect : public Effect {
public:
    static constexpr int kGridSize = 5;  // control points per axis
    static constexpr int kControlPointCount = kGridSize * kGridSize * kGridSize;

    CLatticeDeformEffect() = default;

    // Takes the model's first mesh object: texture coordinates from the first
    // two components of each vertex's local normal, triangle corners as
    // indices from the object's first vertex, the lattice's source at the
    // vertices' local positions. Arrays of an earlier model are released
    // first. A null model, a model without objects, an object without
    // vertices or faces, or a face naming a vertex outside its object leaves
    // the effect without a model: it then draws nothing.
    void SetModel(Model* model) override;
    // Records both handles; only the second is drawn.
    void SetTextures(int32_t first, int32_t second) override;

    void Draw(float time) override;

    // Moves the 125 control points to their positions at time t (ticks):
    // around the cube from -8 to 8, each axis breathing between 0.6 and 1.0.
    void AnimateControlPoints(float t);

    // Opacity of the mesh at time t: 0.2 * clamp(0.5 t, 0, 1).
    [[nodiscard]] static float Alpha(float t);

    [[nodiscard]] const Model* GetModel() const { return model; }
    [[nodiscard]] int32_t VertexCount() const { return vertexCount; }
    [[nodiscard]] int32_t FaceCount() const { return faceCount; }
    [[nodiscard]] const float* Positions() const { return positions.get(); }
    [[nodiscard]] const float* TexCoords() const { return texCoords.get(); }
    [[nodiscard]] const uint32_t* Indices() const { return indices.get(); }
    [[nodiscard]] int32_t SecondTexture() const { return secondTexture; }
    [[nodiscard]] const float* ControlPoints() const { return controlPoints; }

    float position[3] = {0.0f, 0.0f, -6.0f};  // translation of the object

private:
    void ReleaseArrays();

    Model* model = nullptr;               // not owned
    std::unique_ptr<float[]> positions;   // 3 per vertex, rewritten every frame
    std::unique_ptr<float[]> texCoords;   // 2 per vertex
    std::unique_ptr<uint32_t[]> indices;  // 3 per face
    int32_t vertexCount = 0;
    int32_t faceCount = 0;
    int32_t firstTexture = -1;
    int32_t secondTexture = -1;
    Lattice lattice;
    float controlPoints[kControlPointCount * 3] = {};
};

}  // namespace sunvale
