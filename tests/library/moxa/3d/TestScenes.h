// 3DS scenes built in code for the loader tests.
#pragma once

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "library/moxa/3d/writer/Writer3ds.h"

namespace sunvale {
namespace testscenes {

// A unit quad (two faces) in the file's XY plane, named name.
inline Writer3dsMesh Quad(const std::string& name)
{
    Writer3dsMesh mesh;
    mesh.name = name;
    mesh.xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
    mesh.faces = {0, 1, 2, 0, 1, 3, 2, 0};
    return mesh;
}

inline Writer3dsKey Key(uint32_t frame, float a, float b = 0, float c = 0, float d = 0)
{
    Writer3dsKey key;
    key.frame = frame;
    const float value[4] = {a, b, c, d};
    std::copy(value, value + 4, key.value);
    return key;
}

inline Writer3dsNode Node(uint16_t id, const std::string& name, std::vector<Writer3dsTrack> tracks)
{
    Writer3dsNode node;
    node.id = id;
    node.name = name;
    node.tracks = std::move(tracks);
    return node;
}

// A scene with every chunk kind the loader reads: "head" has its mapping
// before the faces and a material group on face 1, "jaw" holds the U-wrap
// example, the camera is banked 45 degrees, and two "$$$DUMMY" nodes are
// named by their instance names.
inline Writer3dsScene RichScene()
{
    Writer3dsScene scene;
    scene.hasAmbient = true;
    scene.materials.push_back({"skin",
                               {255, 0, 0},
                               {0, 51, 0},
                               {0, 0, 102},
                               true,
                               false,
                               "data/texture/skin.jpg",
                               "",
                               "",
                               "bump.png"});
    scene.materials.push_back({"eyes", {}, {}, {}, false, true, "", "", "", ""});
    Writer3dsMesh head = Quad("head");
    head.uv = {0, 0, 1, 0, 0, 1, 1, 1};
    head.smoothing = {1, 1};
    head.groups.push_back({"eyes", {1, 4, 60000}});  // 4 and 60000 lie outside "head"
    head.matrix[9] = 1.0f;                           // origin (1, 0, 0)
    scene.meshes.push_back(head);
    Writer3dsMesh jaw = Quad("jaw");
    jaw.faces[3] = 8;  // first face wraps in U
    jaw.uv = {0.2f, 0, 6.5f, 0, 0.4f, 1, 0, 0};
    jaw.hasMatrix = false;
    scene.meshes.push_back(jaw);
    scene.lights.push_back({"omni", {1, 2, 3}, {1.0f, 0.5f, 0.25f}});
    scene.lights.push_back({"spot", {0, 0, 0}, {1, 1, 1}, true, {0, 5, 0}});
    scene.cameras.push_back({"cam", {0, -10, 0}, {0, 0, 4}, 45.0f, 50.0f, true, 1.0f, 1000.0f});
    scene.hasSegment = true;

    Writer3dsTrack pos{
        kTrack3dsPosition, 0, {Key(0, 1, 2, 3), Key(10, 4, 5, 6), Key(30, 10, 8, 9)}};
    pos.keys[1].splineFlags = 0x1F | 0x40;  // all five parameters and one higher bit
    const float spline[7] = {0.25f, -0.5f, 0.5f, 0.1f, 0.2f, 0, 99.0f};
    std::copy(spline, spline + 7, pos.keys[1].spline);
    Writer3dsTrack hide{kTrack3dsHide, 0, {Key(5, 0), Key(9, 0), Key(12, 0)}};
    hide.keys[1].splineFlags = 1;
    Writer3dsTrack morph{kTrack3dsMorph, 0, {Key(0, 0), Key(4, 0)}};
    morph.keys[0].morphTarget = "jaw";
    morph.keys[1].morphTarget = "nobody";
    const float quarter = 1.5707964f;
    const Writer3dsTrack rotation{
        kTrack3dsRotation, 0, {Key(0, quarter, 0, 0, 1), Key(20, quarter, 0, 0, 1)}};
    const Writer3dsTrack scale{kTrack3dsScale, 0, {Key(0, 1, 1, 1)}};
    scene.nodes.push_back(Node(kNode3dsObject, "head", {pos, rotation, scale, hide, morph}));
    scene.nodes[0].hasPivot = true;
    const float pivot[3] = {1, 2, 3};
    std::copy(pivot, pivot + 3, scene.nodes[0].pivot);
    for (const char* instance : {"a", "b"}) {
        const float y = instance[0] == 'a' ? 1.0f : 2.0f;
        scene.nodes.push_back(
            Node(kNode3dsObject, "$$$DUMMY", {{kTrack3dsPosition, 0, {Key(0, 0, y)}}}));
        scene.nodes.back().instance = instance;
        scene.nodes.back().parent = static_cast<uint16_t>(scene.nodes.size() - 2);
    }
    scene.nodes.push_back(
        Node(kNode3dsCamera, "cam",
             {{kTrack3dsFov, 0, {Key(0, 90), Key(50, 45)}}, {kTrack3dsRoll, 0, {Key(0, 180)}}}));
    scene.nodes.push_back(
        Node(kNode3dsCameraTarget, "cam", {{kTrack3dsPosition, 0, {Key(0, 1, 2, 3)}}}));
    scene.nodes.back().parent = 7;
    scene.nodes.push_back(
        Node(kNode3dsLight, "omni", {{kTrack3dsColor, 0, {Key(0, 0.1f, 0.2f, 0.3f)}}}));
    scene.nodes.push_back(Node(kNode3dsSpotlight, "spot",
                               {{kTrack3dsHotspot, 0, {Key(0, 30)}},
                                {kTrack3dsFalloff, 0, {Key(0, 45)}},
                                {kTrack3dsRoll, 0, {Key(0, 90)}}}));
    scene.nodes.push_back(
        Node(kNode3dsLightTarget, "spot", {{kTrack3dsPosition, 0, {Key(0, 1, 2, 3)}}}));
    scene.nodes.push_back(
        Node(kNode3dsObject, "ghost", {}));  // names nothing: entry without record
    return scene;
}

}  // namespace testscenes
}  // namespace sunvale
