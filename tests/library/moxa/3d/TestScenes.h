// 3DS scenes built in code for the loader tests.
#pragma once

#include <cmath>
#include <string>

#include "library/moxa/3d/writer/Writer3ds.h"

namespace sunvale {
namespace testscenes {

// A unit quad (two faces) in the file's XY plane, named name.
inline Writer3dsMesh Quad(const std::string& name) {
    Writer3dsMesh mesh;
    mesh.name = name;
    mesh.xyz = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
    mesh.faces = {0, 1, 2, 0, 1, 3, 2, 0};
    return mesh;
}

inline Writer3dsKey Key(uint32_t frame, float a, float b = 0, float c = 0, float d = 0) {
    Writer3dsKey key;
    key.frame = frame;
    key.value[0] = a;
    key.value[1] = b;
    key.value[2] = c;
    key.value[3] = d;
    return key;
}

// A scene with every chunk kind the loader reads.
inline Writer3dsScene RichScene() {
    Writer3dsScene scene;
    scene.hasAmbient = true;
    Writer3dsMaterial skin;
    skin.name = "skin";
    skin.ambient[0] = 255;
    skin.diffuse[1] = 51;
    skin.specular[2] = 102;
    skin.twoSided = true;
    skin.textureMap = "data/texture/skin.jpg";
    skin.bumpMap = "bump.png";
    scene.materials.push_back(skin);
    Writer3dsMaterial eyes;
    eyes.name = "eyes";
    eyes.wire = true;
    scene.materials.push_back(eyes);

    Writer3dsMesh head = Quad("head");
    head.uv = {0, 0, 1, 0, 0, 1, 1, 1};
    head.smoothing = {1, 1};
    head.groups.push_back({"eyes", {1}});
    head.matrix[9] = 1.0f;  // origin (1, 0, 0)
    scene.meshes.push_back(head);
    Writer3dsMesh jaw = Quad("jaw");
    jaw.faces[3] = 8;  // wrapping face
    jaw.uv = {0.2f, 0, 6.5f, 0, 0.4f, 1, 0, 0};
    jaw.hasMatrix = false;
    scene.meshes.push_back(jaw);

    Writer3dsLight omni;
    omni.name = "omni";
    omni.position[0] = 1;
    omni.position[1] = 2;
    omni.position[2] = 3;
    omni.color[0] = 1.0f;
    omni.color[1] = 0.5f;
    omni.color[2] = 0.25f;
    scene.lights.push_back(omni);
    Writer3dsLight spot;
    spot.name = "spot";
    spot.spot = true;
    spot.target[1] = 5.0f;
    scene.lights.push_back(spot);

    Writer3dsCamera cam;
    cam.name = "cam";
    cam.position[1] = -10.0f;
    cam.target[2] = 4.0f;
    cam.bank = 45.0f;
    cam.lens = 50.0f;
    cam.hasRanges = true;
    cam.nearRange = 1.0f;
    cam.farRange = 1000.0f;
    scene.cameras.push_back(cam);

    scene.hasSegment = true;
    scene.segmentStart = 0;
    scene.segmentEnd = 100;

    Writer3dsNode headNode;
    headNode.name = "head";
    headNode.parent = 0xFFFF;
    headNode.hasPivot = true;
    headNode.pivot[0] = 1;
    headNode.pivot[1] = 2;
    headNode.pivot[2] = 3;
    Writer3dsTrack pos{kTrack3dsPosition, 0, {Key(0, 1, 2, 3), Key(10, 4, 5, 6), Key(30, 7, 8, 9)}};
    pos.keys[1].splineFlags = 0x1F | 0x40;  // all five parameters and one higher bit
    pos.keys[1].spline[0] = 0.25f;
    pos.keys[1].spline[1] = -0.5f;
    pos.keys[1].spline[2] = 0.5f;
    pos.keys[1].spline[3] = 0.1f;
    pos.keys[1].spline[4] = 0.2f;
    pos.keys[1].spline[6] = 99.0f;
    headNode.tracks.push_back(pos);
    const float quarter = 1.5707964f;
    headNode.tracks.push_back({kTrack3dsRotation, 0, {Key(0, quarter, 0, 0, 1), Key(20, quarter, 0, 0, 1)}});
    headNode.tracks.push_back({kTrack3dsScale, 0, {Key(0, 1, 1, 1)}});
    Writer3dsTrack hide{kTrack3dsHide, 0, {Key(5, 0), Key(9, 0), Key(12, 0)}};
    hide.keys[1].splineFlags = 1;
    headNode.tracks.push_back(hide);
    Writer3dsTrack morph{kTrack3dsMorph, 0, {Key(0, 0), Key(4, 0)}};
    morph.keys[0].morphTarget = "jaw";
    morph.keys[1].morphTarget = "nobody";
    headNode.tracks.push_back(morph);
    scene.nodes.push_back(headNode);

    Writer3dsNode dummyA;
    dummyA.name = "$$$DUMMY";
    dummyA.instance = "a";
    dummyA.parent = 0;
    dummyA.tracks.push_back({kTrack3dsPosition, 0, {Key(0, 0, 1, 0)}});
    scene.nodes.push_back(dummyA);
    Writer3dsNode dummyB = dummyA;
    dummyB.instance = "b";
    dummyB.parent = 1;
    dummyB.tracks[0].keys[0].value[1] = 2.0f;
    scene.nodes.push_back(dummyB);

    Writer3dsNode camNode;
    camNode.id = kNode3dsCamera;
    camNode.name = "cam";
    camNode.tracks.push_back({kTrack3dsFov, 0, {Key(0, 90.0f), Key(50, 45.0f)}});
    camNode.tracks.push_back({kTrack3dsRoll, 0, {Key(0, 180.0f)}});
    scene.nodes.push_back(camNode);
    Writer3dsNode camTarget;
    camTarget.id = kNode3dsCameraTarget;
    camTarget.name = "cam";
    camTarget.parent = 7;
    camTarget.tracks.push_back({kTrack3dsPosition, 0, {Key(0, 1, 2, 3)}});
    scene.nodes.push_back(camTarget);

    Writer3dsNode omniNode;
    omniNode.id = kNode3dsLight;
    omniNode.name = "omni";
    omniNode.tracks.push_back({kTrack3dsColor, 0, {Key(0, 0.1f, 0.2f, 0.3f)}});
    scene.nodes.push_back(omniNode);
    Writer3dsNode spotNode;
    spotNode.id = kNode3dsSpotlight;
    spotNode.name = "spot";
    spotNode.tracks.push_back({kTrack3dsHotspot, 0, {Key(0, 30.0f)}});
    spotNode.tracks.push_back({kTrack3dsFalloff, 0, {Key(0, 45.0f)}});
    spotNode.tracks.push_back({kTrack3dsRoll, 0, {Key(0, 90.0f)}});
    scene.nodes.push_back(spotNode);
    Writer3dsNode spotTarget;
    spotTarget.id = kNode3dsLightTarget;
    spotTarget.name = "spot";
    spotTarget.tracks.push_back({kTrack3dsPosition, 0, {Key(0, 1, 2, 3)}});
    scene.nodes.push_back(spotTarget);

    Writer3dsNode stray;  // names nothing: entry without record, contents skipped
    stray.name = "ghost";
    scene.nodes.push_back(stray);
    return scene;
}

}  // namespace testscenes
}  // namespace sunvale
