// Head geometry: every vertex of a UV sphere is moved by a shape function
// built from an ellipsoid and Gaussian bumps and dents for the features;
// the sphere's topology keeps the mesh closed. Written through the 3DS
// writer in 3D Studio's Z-up file axes.
#include "HeadModel.h"

#include <cmath>

#include "FixedMath.h"
#include "library/moxa/3d/writer/Writer3ds.h"

namespace sunvale {
namespace datagen {

namespace {

float Bump(float x, float y, float cx, float cy, float sx, float sy)
{
    float dx = (x - cx) / sx, dy = (y - cy) / sy;
    return Exp(-(dx * dx + dy * dy));
}

// Point of the head for the unit direction (dx, dy, dz); y up, face at +z.
void ShapePoint(float dx, float dy, float dz, float out[3])
{
    float x = dx * 0.76f, y = dy * 1.0f, z = dz * 0.9f;
    float front = SmoothStep(0.1f, 0.6f, dz);
    // Jaw: the lower face tapers towards the chin.
    float jaw = SmoothStep(-0.1f, -0.6f, dy);
    x *= 1.0f - 0.25f * jaw * front;
    // Face: flatter at the front, with features as bumps in (x, y).
    float fz = -0.06f;
    fz += 0.24f * Bump(x, y, 0.0f, -0.1f, 0.085f, 0.16f) * SmoothStep(0.22f, -0.2f, y);  // nose
    fz += 0.05f * Bump(x, y, 0.0f, -0.25f, 0.11f, 0.05f);                                // nostrils
    fz += 0.07f *
          (Bump(x, y, -0.2f, 0.2f, 0.17f, 0.06f) + Bump(x, y, 0.2f, 0.2f, 0.17f, 0.06f));  // brow
    fz -= 0.12f * (Bump(x, y, -0.23f, 0.06f, 0.11f, 0.08f) +
                   Bump(x, y, 0.23f, 0.06f, 0.11f, 0.08f));  // eye sockets
    fz += 0.05f * (Bump(x, y, -0.23f, 0.06f, 0.05f, 0.035f) +
                   Bump(x, y, 0.23f, 0.06f, 0.05f, 0.035f));  // eyes
    fz += 0.06f * Bump(x, y, 0.0f, -0.37f, 0.15f, 0.045f) +
          0.055f * Bump(x, y, 0.0f, -0.46f, 0.13f, 0.045f);   // lips
    fz -= 0.035f * Bump(x, y, 0.0f, -0.415f, 0.14f, 0.018f);  // mouth line
    fz += 0.08f * Bump(x, y, 0.0f, -0.62f, 0.14f, 0.08f);     // chin
    fz += 0.04f * (Bump(x, y, -0.3f, -0.1f, 0.11f, 0.09f) +
                   Bump(x, y, 0.3f, -0.1f, 0.11f, 0.09f));  // cheekbones
    z += fz * front;
    // Ears: broad lobes out of both sides with a hollow in the middle.
    float side = SmoothStep(0.5f, 0.85f, std::fabs(dx));
    float ear = (0.12f * Bump(z, y, -0.05f, 0.0f, 0.13f, 0.2f) -
                 0.05f * Bump(z, y, -0.03f, 0.0f, 0.05f, 0.08f)) *
                side;
    x += (dx > 0 ? 1.0f : -1.0f) * ear;
    // Back of the skull a little fuller.
    z -= 0.06f * SmoothStep(-0.2f, -0.8f, dz) * SmoothStep(-0.5f, 0.2f, dy);
    // Neck: below the jaw (lower at the front, behind the chin) the surface
    // becomes a column of radius 0.36 that runs down and closes at its base.
    float start = Mix(-0.45f, -0.7f, front);
    float neck = SmoothStep(start + 0.05f, start - 0.3f, dy);
    float hr = std::sqrt(dx * dx + dz * dz);
    float radius = 0.36f * SmoothStep(0.0f, 0.3f, hr);
    float nx = hr > 0.0f ? dx / hr * radius : 0.0f,
          nz = hr > 0.0f ? dz / hr * radius - 0.1f : -0.1f;
    float ny = -0.6f - 0.95f * SmoothStep(-0.5f, -1.0f, dy);
    out[0] = Mix(x, nx, neck);
    out[1] = Mix(y, ny, neck);
    out[2] = Mix(z, nz, neck);
}

}  // namespace

HeadMesh HeadModel::BuildMesh()
{
    HeadMesh mesh;
    auto add = [&](float dx, float dy, float dz, float u, float v) {
        float p[3];
        ShapePoint(dx, dy, dz, p);
        for (float c : p) mesh.xyz.push_back(c * 5.0f);
        mesh.uv.push_back(u);
        mesh.uv.push_back(v);
    };
    add(0, 1, 0, 0.5f, 0.0f);  // top pole, vertex 0
    for (int r = 1; r < kRings; ++r) {
        float theta = kPi * r / kRings;
        float st = Sin(theta), ct = Cos(theta);
        for (int s = 0; s < kSegments; ++s) {
            float phi = kTwoPi * s / kSegments;
            add(st * Sin(phi), ct, st * Cos(phi), static_cast<float>(s) / kSegments,
                static_cast<float>(r) / kRings);
        }
    }
    add(0, -1, 0, 0.5f, 1.0f);  // bottom pole
    const int bottom = 1 + (kRings - 1) * kSegments;
    auto ring = [](int r, int s) {
        return static_cast<uint16_t>(1 + (r - 1) * kSegments + (s % kSegments));
    };
    auto tri = [&](int a, int b, int c) {
        mesh.corners.push_back(static_cast<uint16_t>(a));
        mesh.corners.push_back(static_cast<uint16_t>(b));
        mesh.corners.push_back(static_cast<uint16_t>(c));
    };
    // φ grows from +z towards +x, so around the top pole (top, s, s + 1) is
    // counter-clockwise seen from outside; every other triangle follows it.
    for (int s = 0; s < kSegments; ++s) tri(0, ring(1, s), ring(1, s + 1));
    for (int r = 1; r < kRings - 1; ++r)
        for (int s = 0; s < kSegments; ++s) {
            tri(ring(r, s), ring(r + 1, s + 1), ring(r, s + 1));
            tri(ring(r, s), ring(r + 1, s), ring(r + 1, s + 1));
        }
    for (int s = 0; s < kSegments; ++s) tri(bottom, ring(kRings - 1, s + 1), ring(kRings - 1, s));
    return mesh;
}

std::vector<uint8_t> HeadModel::Write3dsFile(const HeadMesh& mesh)
{
    Writer3dsScene scene;
    Writer3dsMaterial skin;
    skin.name = "Dawnskin";
    skin.ambient[0] = 60, skin.ambient[1] = 30, skin.ambient[2] = 40;
    skin.diffuse[0] = 240, skin.diffuse[1] = 170, skin.diffuse[2] = 110;
    skin.specular[0] = 255, skin.specular[1] = 230, skin.specular[2] = 200;
    skin.textureMap = "ENV2.JPG";
    scene.materials.push_back(skin);

    Writer3dsMesh head;
    head.name = "Head";
    // Show axes (x, y up, z) become file axes (x, z, y); the exchange mirrors,
    // so each triangle's winding is reversed to stay counter-clockwise outside.
    const size_t n = mesh.xyz.size() / 3;
    head.xyz.reserve(mesh.xyz.size());
    for (size_t i = 0; i < n; ++i) {
        head.xyz.push_back(mesh.xyz[i * 3 + 0]);
        head.xyz.push_back(mesh.xyz[i * 3 + 2]);
        head.xyz.push_back(mesh.xyz[i * 3 + 1]);
    }
    head.uv = mesh.uv;
    for (size_t f = 0; f + 2 < mesh.corners.size(); f += 3) {
        head.faces.push_back(mesh.corners[f]);
        head.faces.push_back(mesh.corners[f + 2]);
        head.faces.push_back(mesh.corners[f + 1]);
        head.faces.push_back(7);  // all three edges visible
        head.smoothing.push_back(1);
    }
    Writer3dsFaceGroup group;
    group.material = skin.name;
    for (size_t f = 0; f < head.smoothing.size(); ++f)
        group.faces.push_back(static_cast<uint16_t>(f));
    head.groups.push_back(group);
    scene.meshes.push_back(head);

    scene.hasAmbient = true;
    scene.hasSegment = true;
    scene.segmentStart = 0;
    scene.segmentEnd = 100;
    Writer3dsNode node;
    node.id = kNode3dsObject;
    node.name = "Head";
    node.hasPivot = true;
    Writer3dsTrack position{kTrack3dsPosition, 0, {}};
    position.keys.push_back(Writer3dsKey{});
    Writer3dsTrack rotation{kTrack3dsRotation, 0, {}};
    for (uint32_t frame : {0u, 50u, 100u}) {
        Writer3dsKey key;
        key.frame = frame;
        key.value[0] = frame == 0 ? 0.0f : kPi;  // half a turn per key about the up axis
        key.value[3] = 1.0f;
        rotation.keys.push_back(key);
    }
    Writer3dsTrack scale{kTrack3dsScale, 0, {}};
    Writer3dsKey unit;
    unit.value[0] = unit.value[1] = unit.value[2] = 1.0f;
    scale.keys.push_back(unit);
    node.tracks = {position, rotation, scale};
    scene.nodes.push_back(node);
    return Write3ds(scene);
}

}  // namespace datagen
}  // namespace sunvale
