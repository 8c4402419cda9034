// The lattice deform effect: control-point animation, the tricubic
// Catmull-Rom deformation of the mesh on the processor, and one additive
// indexed draw.
#include "effects/CLatticeDeformEffect.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "effects/EffectTexture.h"
#include "library/moxa/3d/Model.h"

namespace sunvale {

namespace {

// Truncation of a lattice coordinate to its cell, as a cast would do it.
// NaN gives cell 0 and magnitudes beyond 2^30 are held there, so that the
// neighbour indices computed from the cell never overflow (a degenerate
// bounding box or a non-finite vertex would otherwise make the cast
// undefined).
int32_t CellOf(float u)
{
    constexpr float kLimit = 1073741824.0f;  // 2^30
    if (!(u > -kLimit)) return u < 0.0f ? -static_cast<int32_t>(kLimit) : 0;
    if (!(u < kLimit)) return static_cast<int32_t>(kLimit);
    return static_cast<int32_t>(u);
}

// The four grid indices around cell, index - 1 to index + 2, each held to
// 0 .. size - 1.
void NeighbourIndices(int32_t cell, int32_t size, int32_t out[4])
{
    for (int32_t a = 0; a < 4; ++a) out[a] = std::clamp(cell - 1 + a, int32_t{0}, size - 1);
}

// The Catmull-Rom spline through p1 and p2 as the cubic
// ((a s + b) s + c) s + d, with a = (3 p1 + p3 - p0 - 3 p2) * 0.5,
// b = 2 p2 + p0 - (5 p1 + p3) * 0.5, c = (p2 - p0) * 0.5 and d = p1, each
// computed in exactly the order of the spline's nesting: evaluating the
// cubic performs the same single-precision operations on the same values as
// the nested formula, so coefficients made once serve many evaluations
// without changing a bit.
struct Cubic {
    float a, b, c, d;
};

Cubic CatmullRomCubic(float p0, float p1, float p2, float p3)
{
    return {(3.0f * p1 + p3 - p0 - 3.0f * p2) * 0.5f, 2.0f * p2 + p0 - (5.0f * p1 + p3) * 0.5f,
            (p2 - p0) * 0.5f, p1};
}

float EvaluateCubic(float a, float b, float c, float d, float s)
{
    return ((a * s + b) * s + c) * s + d;
}

// The x-direction cubics of one cell: the 16 runs of 4 control points
// along x, one per (y, z) pair, for each component, at lane
// 12 y + 4 component + z. They depend only on the cell, so consecutive
// vertices in one cell share them; the lane order makes the runs along y
// four contiguous blocks of 12.
struct CellCubics {
    float a[48], b[48], c[48], d[48];
};

}  // namespace

void Lattice::ComputeBounds()
{
    for (int axis = 0; axis < 3; ++axis) {
        boundsMin[axis] = 1e30f;
        boundsMax[axis] = -1e30f;
    }
    const int32_t count = source != nullptr ? sourceCount : 0;
    for (int32_t v = 0; v < count; ++v) {
        const float* p = SourceAt(v);
        for (int axis = 0; axis < 3; ++axis) {
            if (p[axis] < boundsMin[axis]) boundsMin[axis] = p[axis];
            if (p[axis] > boundsMax[axis]) boundsMax[axis] = p[axis];
        }
    }
    for (int axis = 0; axis < 3; ++axis) {
        boundsMin[axis] -= 0.0001f;
        boundsMax[axis] += 0.0001f;
    }
}

// Per vertex, the x-direction cubics of its cell are made only when the cell
// differs from the previous vertex's (mesh vertices come in runs through the
// same cell), so the 16 runs along x cost one cubic evaluation each; the 4
// runs along y and the one along z follow as plain spline evaluations. The
// x and y loops are independent evaluations over contiguous lanes, which the
// compiler vectorises.
// Every value is still computed by the spline's own nesting from the same
// inputs, so the results equal the plain per-vertex loops bit for bit.
// Measured with lattice_deform_benchmark (processor time, -O2): 0.49 ms
// against 2.3 ms a frame for the plain loops on the 7,112-vertex head, and
// 2.8 ms against 14.8 ms on 50,000 vertices.
void Lattice::Deform(float* destination, int32_t destinationStride)
{
    ComputeBounds();
    if (source == nullptr || controlPoints == nullptr || destination == nullptr) return;
    if (nx < 2 || ny < 2 || nz < 2) return;

    const float cx = (boundsMax[0] - boundsMin[0]) / static_cast<float>(nx - 1);
    const float cy = (boundsMax[1] - boundsMin[1]) / static_cast<float>(ny - 1);
    const float cz = (boundsMax[2] - boundsMin[2]) / static_cast<float>(nz - 1);

    CellCubics cell;
    int32_t cellI = 0, cellJ = 0, cellK = 0;
    bool haveCell = false;
    auto* out = reinterpret_cast<unsigned char*>(destination);

    for (int32_t vertex = 0; vertex < sourceCount; ++vertex) {
        const float* p = SourceAt(vertex);
        const float u = (p[0] - boundsMin[0]) / cx;
        const float v = (p[1] - boundsMin[1]) / cy;
        const float w = (p[2] - boundsMin[2]) / cz;
        const int32_t i = CellOf(u), j = CellOf(v), k = CellOf(w);
        const float fu = u - static_cast<float>(i);
        const float fv = v - static_cast<float>(j);
        const float fw = w - static_cast<float>(k);

        if (!haveCell || i != cellI || j != cellJ || k != cellK) {
            int32_t xs[4], ys[4], zs[4];
            NeighbourIndices(i, nx, xs);
            NeighbourIndices(j, ny, ys);
            NeighbourIndices(k, nz, zs);
            for (int y = 0; y < 4; ++y) {
                for (int z = 0; z < 4; ++z) {
                    const float* q0 = ControlPointAt(xs[0], ys[y], zs[z]);
                    const float* q1 = ControlPointAt(xs[1], ys[y], zs[z]);
                    const float* q2 = ControlPointAt(xs[2], ys[y], zs[z]);
                    const float* q3 = ControlPointAt(xs[3], ys[y], zs[z]);
                    for (int axis = 0; axis < 3; ++axis) {
                        const Cubic cubic = CatmullRomCubic(q0[axis], q1[axis], q2[axis], q3[axis]);
                        const int lane = 12 * y + 4 * axis + z;
                        cell.a[lane] = cubic.a;
                        cell.b[lane] = cubic.b;
                        cell.c[lane] = cubic.c;
                        cell.d[lane] = cubic.d;
                    }
                }
            }
            cellI = i, cellJ = j, cellK = k;
            haveCell = true;
        }

        float alongX[48];
        for (int lane = 0; lane < 48; ++lane) {
            alongX[lane] =
                EvaluateCubic(cell.a[lane], cell.b[lane], cell.c[lane], cell.d[lane], fu);
        }
        float alongY[12];  // lane 4 component + z
        for (int lane = 0; lane < 12; ++lane) {
            alongY[lane] = CatmullRom(alongX[lane], alongX[12 + lane], alongX[24 + lane],
                                      alongX[36 + lane], fv);
        }
        float alongZ[4][3];  // the four points to interpolate along z
        for (int z = 0; z < 4; ++z) {
            for (int axis = 0; axis < 3; ++axis) alongZ[z][axis] = alongY[4 * axis + z];
        }
        CatmullRom3(alongZ[0], alongZ[1], alongZ[2], alongZ[3], fw, reinterpret_cast<float*>(out));
        out += destinationStride;
    }
}

float Lattice::CatmullRom(float p0, float p1, float p2, float p3, float s)
{
    const Cubic cubic = CatmullRomCubic(p0, p1, p2, p3);
    return EvaluateCubic(cubic.a, cubic.b, cubic.c, cubic.d, s);
}

void Lattice::CatmullRom3(const float* p0, const float* p1, const float* p2, const float* p3,
                          float s, float* out)
{
    for (int axis = 0; axis < 3; ++axis)
        out[axis] = CatmullRom(p0[axis], p1[axis], p2[axis], p3[axis], s);
}

const float* Lattice::SourceAt(int32_t index) const
{
    return reinterpret_cast<const float*>(reinterpret_cast<const unsigned char*>(source) +
                                          static_cast<ptrdiff_t>(index) * sourceStride);
}

const float* Lattice::ControlPointAt(int32_t x, int32_t y, int32_t z) const
{
    const ptrdiff_t index = (static_cast<ptrdiff_t>(z) * ny + y) * nx + x;
    return reinterpret_cast<const float*>(reinterpret_cast<const unsigned char*>(controlPoints) +
                                          index * controlStride);
}

void CLatticeDeformEffect::SetModel(Model* newModel)
{
    if (newModel == nullptr) return;
    ReleaseArrays();

    if (newModel->objects == nullptr || newModel->objectCount == 0) return;
    const ModelObject& object = newModel->objects[0];
    // Counts that fit the signed sizes and the 3-per-entry arrays.
    constexpr uint32_t kMaxCount = std::numeric_limits<int32_t>::max() / 3;
    if (object.vertices == nullptr || object.vertexCount == 0 || object.vertexCount > kMaxCount)
        return;
    if (object.faces == nullptr || object.faceCount == 0 || object.faceCount > kMaxCount) return;
    // Every corner must name a vertex of this object: glDrawElements reads
    // the arrays at these indices.
    for (uint32_t f = 0; f < object.faceCount; ++f) {
        for (const ModelVertex* corner : object.faces[f].vertex) {
            if (corner < object.vertices || corner >= object.vertices + object.vertexCount) return;
        }
    }

    const uint32_t n = object.vertexCount;
    const uint32_t f = object.faceCount;
    positions.reset(new (std::nothrow) float[static_cast<size_t>(n) * 3]);
    texCoords.reset(new (std::nothrow) float[static_cast<size_t>(n) * 2]);
    indices.reset(new (std::nothrow) uint32_t[static_cast<size_t>(f) * 3]);
    if (!positions || !texCoords || !indices) {
        ReleaseArrays();
        return;
    }
    for (uint32_t v = 0; v < n; ++v) {
        positions[v * 3 + 0] = positions[v * 3 + 1] = positions[v * 3 + 2] = 0.0f;
        texCoords[v * 2 + 0] = object.vertices[v].localNormal[0];
        texCoords[v * 2 + 1] = object.vertices[v].localNormal[1];
    }
    for (uint32_t face = 0; face < f; ++face) {
        for (int c = 0; c < 3; ++c) {
            indices[face * 3 + c] =
                static_cast<uint32_t>(object.faces[face].vertex[c] - object.vertices);
        }
    }
    vertexCount = static_cast<int32_t>(n);
    faceCount = static_cast<int32_t>(f);
    model = newModel;

    lattice.source = object.vertices[0].local;
    lattice.sourceStride = static_cast<int32_t>(sizeof(ModelVertex));
    lattice.sourceCount = vertexCount;
    lattice.controlPoints = controlPoints;
    lattice.controlStride = static_cast<int32_t>(3 * sizeof(float));
    lattice.nx = lattice.ny = lattice.nz = kGridSize;
}

void CLatticeDeformEffect::SetTextures(int32_t first, int32_t second)
{
    firstTexture = first;
    secondTexture = second;
}

float CLatticeDeformEffect::Alpha(float t) { return 0.2f * std::clamp(0.5f * t, 0.0f, 1.0f); }

void CLatticeDeformEffect::AnimateControlPoints(float t)
{
    float* point = controlPoints;
    for (int i = 0; i < kGridSize; ++i) {          // z
        for (int j = 0; j < kGridSize; ++j) {      // y
            for (int k = 0; k < kGridSize; ++k) {  // x
                const float x = static_cast<float>(4 * k - 8);
                const float y = static_cast<float>(4 * j - 8);
                const float z = static_cast<float>(4 * i - 8);
                const float sx = static_cast<float>(
                    std::sin(static_cast<double>(0.0533f * t + static_cast<float>(4 * j))));
                const float sy = static_cast<float>(
                    std::cos(static_cast<double>(static_cast<float>(10 * k) + 0.02f * t)));
                const float sz = static_cast<float>(
                    std::cos(static_cast<double>(static_cast<float>(10 * j) + 0.0233f * t)));
                point[0] = x * (0.8f + 0.2f * sx);
                point[1] = y * (0.8f + 0.2f * sy);
                point[2] = z * (0.8f + 0.2f * sz);
                point += 3;
            }
        }
    }
}

// Sets: texture matrix identity, then translate (0.01 t, 0.005 t, 0) while
// drawing; modelview = identity * translate(position) * rotate(5 sin(0.005
// t) about Z) * rotate(0.5 t about Y); 2D texturing with `secondTexture`;
// blending (GL_ONE, GL_ONE); face culling, depth test and depth writes off;
// vertex and texture-coordinate arrays on, colour array off; colour (1, 1,
// 1, Alpha(t)). Leaves: that modelview current, texture matrix identity,
// texture 0 bound, texturing and blending off with (GL_ONE, GL_ONE), face
// culling and depth test on, depth writes off, both arrays on, that colour.
// Without a model it draws nothing and changes no state.
void CLatticeDeformEffect::Draw(float t)
{
    if (model == nullptr) return;

    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);

    glColor4f(1.0f, 1.0f, 1.0f, Alpha(t));

    glTranslatef(position[0], position[1], position[2]);
    const float sway = static_cast<float>(std::sin(static_cast<double>(0.005f * t)));
    glRotatef(5.0f * sway, 0.0f, 0.0f, 1.0f);
    glRotatef(0.5f * t, 0.0f, 1.0f, 0.0f);

    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);

    AnimateControlPoints(t);
    lattice.Deform(positions.get(), static_cast<int32_t>(3 * sizeof(float)));

    glVertexPointer(3, GL_FLOAT, 0, positions.get());
    glTexCoordPointer(2, GL_FLOAT, 0, texCoords.get());
    glBlendFunc(GL_ONE, GL_ONE);

    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glTranslatef(0.01f * t, 0.005f * t, 0.0f);

    BindEffectTexture(secondTexture);
    glDrawElements(GL_TRIANGLES, faceCount * 3, GL_UNSIGNED_INT, indices.get());

    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
}

void CLatticeDeformEffect::ReleaseArrays()
{
    positions.reset();
    texCoords.reset();
    indices.reset();
    vertexCount = 0;
    faceCount = 0;
    model = nullptr;
    lattice.source = nullptr;
    lattice.sourceCount = 0;
}

}  // namespace sunvale
