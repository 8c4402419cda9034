// moxa model: loads a 3DS model out of an archive the way the show does and
// prints its summary: counts, objects with bounds, materials, lights,
// cameras, keyframer nodes and the key counts of their tracks.
#include <cstdio>
#include <cstring>
#include <memory>

#include "CommandRegistry.h"
#include "library/moxa/3d/ModelLoader.h"

namespace {

const char kUsage[] = "model ARCHIVE ENTRY";

const char* KindName(uint32_t kind)
{
    switch (kind) {
    case sunvale::kNodeObject:
        return "object";
    case sunvale::kNodeCamera:
        return "camera";
    case sunvale::kNodeLight:
        return "light";
    case sunvale::kNodeCameraTarget:
        return "camera-target";
    case sunvale::kNodeLightTarget:
        return "light-target";
    default:
        return "unknown";
    }
}

float WordAsFloat(uint32_t word)
{
    float f;
    std::memcpy(&f, &word, 4);
    return f;
}

const char* MapName(const sunvale::MaterialMap& map)
{
    return map.Present() ? map.fileName.c_str() : "-";
}

void PrintObjectTracks(const sunvale::ModelObject& o)
{
    std::printf("    tracks position %u rotation %u scale %u hide %u morph %u\n",
                o.positionTrack.count, o.rotationTrack.count, o.scaleTrack.count, o.hideTrack.count,
                o.morphTrack.count);
}

void PrintSummary(const sunvale::Model& m)
{
    std::printf(
        "objects %u vertices %u faces %u materials %u lights %u cameras %u dummies %u nodes %u "
        "frames %d\n",
        m.objectCount, m.vertexCount, m.faceCount, m.materialCount, m.lightCount, m.cameraCount,
        m.dummyCount, m.nodeCount, m.frameCount);
    std::printf("name %s\n", m.name.c_str());
    std::printf("ambient %g %g %g\n", m.ambient[0], m.ambient[1], m.ambient[2]);
    for (uint32_t i = 0; i < m.materialCount; ++i) {
        const sunvale::ModelMaterial& mat = m.materials[i];
        std::printf(
            "material %u \"%s\" ambient %.3f %.3f %.3f diffuse %.3f %.3f %.3f specular %.3f %.3f "
            "%.3f"
            " twoSided %u wire %u texture %s opacity %s reflection %s bump %s\n",
            i, mat.name, mat.ambient[0], mat.ambient[1], mat.ambient[2], mat.diffuse[0],
            mat.diffuse[1], mat.diffuse[2], mat.specular[0], mat.specular[1], mat.specular[2],
            mat.twoSided, mat.wire, MapName(mat.textureMap), MapName(mat.opacityMap),
            MapName(mat.reflectionMap), MapName(mat.bumpMap));
    }
    for (uint32_t i = 0; i < m.objectCount; ++i) {
        const sunvale::ModelObject& o = m.objects[i];
        std::printf("object %u \"%s\" vertices %u faces %u smooth %u parent %u\n", i, o.name,
                    o.vertexCount, o.faceCount, o.smooth, o.parent);
        std::printf("    bounds %g %g %g .. %g %g %g\n", o.boundsMin[0], o.boundsMin[1],
                    o.boundsMin[2], o.boundsMax[0], o.boundsMax[1], o.boundsMax[2]);
        std::printf("    pivot %g %g %g\n", o.pivot[0], o.pivot[1], o.pivot[2]);
        PrintObjectTracks(o);
    }
    for (uint32_t i = 0; i < m.dummyCount; ++i) {
        const sunvale::ModelObject& o = m.dummies[i];
        std::printf("dummy %u \"%s\" parent %u\n", i, o.name, o.parent);
        PrintObjectTracks(o);
    }
    for (uint32_t i = 0; i < m.lightCount; ++i) {
        const sunvale::ModelLight& l = m.lights[i];
        std::printf("light %u \"%s\" %s position %g %g %g color %06X\n", i, l.name,
                    l.spot ? "spot" : "omni", l.position[0], l.position[1], l.position[2], l.color);
        std::printf("    tracks position %u color %u hotspot %u falloff %u roll %u target %u\n",
                    l.positionTrack.count, l.colorTrack.count, l.hotspotTrack.count,
                    l.falloffTrack.count, l.rollTrack.count, l.targetTrack.count);
    }
    for (uint32_t i = 0; i < m.cameraCount; ++i) {
        const sunvale::ModelCamera& c = m.cameras[i];
        std::printf(
            "camera %u \"%s\" position %g %g %g target %g %g %g lens %g bank %g near %g far %g\n",
            i, c.name, c.position[0], c.position[1], c.position[2], c.target[0], c.target[1],
            c.target[2], c.lens, c.bank, WordAsFloat(c.nearRange), WordAsFloat(c.farRange));
        std::printf("    tracks position %u fov %u roll %u target %u\n", c.positionTrack.count,
                    c.fovTrack.count, c.rollTrack.count, c.targetTrack.count);
    }
    for (uint32_t i = 0; i < m.nodeCount; ++i) {
        const sunvale::NodeEntry& n = m.nodes[i];
        const char* name = "(none)";
        if (n.AsObject() != nullptr)
            name = n.AsObject()->name;
        else if (n.AsCamera() != nullptr)
            name = n.AsCamera()->name;
        else if (n.AsLight() != nullptr)
            name = n.AsLight()->name;
        std::printf("node %u %s \"%s\"\n", i, KindName(n.kind), name);
    }
}

int RunModel(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: moxa %s\n", kUsage);
        return 2;
    }
    std::unique_ptr<sunvale::Model> model(sunvale::LoadModel(argv[1], argv[2]));
    if (!model) {
        std::fprintf(stderr,
                     "moxa model: cannot load %s from %s (missing entry or broken 3DS file)\n",
                     argv[2], argv[1]);
        return 1;
    }
    PrintSummary(*model);
    return 0;
}

}  // namespace

MOXA_REGISTER_COMMAND(g_modelCommand, "model", kUsage,
                      "print the summary of a 3DS model in the archive", RunModel);
