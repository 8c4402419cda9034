// The production's schedule: sixteen timeline entries over eight scene
// classes, in the order DemoApp::Load adds them.
#pragma once

#include <array>
#include <atomic>

namespace sunvale {

class Scene;
class Timeline;

enum class SceneKind { A, B, C, D, E, F, G, H };

struct ScheduleRow {
    SceneKind kind;
    float start;  // ticks
    float end;    // ticks
};

// Times are exact multiples of 0.25 tick. Entry 3 starts five ticks before
// entry 2 ends, so for 6195 < t < 6200 both render, B first.
constexpr std::array<ScheduleRow, 16> kShowSchedule = {{
    {SceneKind::A, 0.0f, 2980.0f},
    {SceneKind::B, 2980.0f, 6200.0f},
    {SceneKind::C, 6195.0f, 8640.0f},
    {SceneKind::D, 8640.0f, 9450.0f},
    {SceneKind::E, 9450.0f, 10260.0f},
    {SceneKind::F, 10260.0f, 10361.25f},
    {SceneKind::D, 10361.25f, 10665.0f},
    {SceneKind::F, 10665.0f, 10766.25f},
    {SceneKind::D, 10766.25f, 11070.0f},
    {SceneKind::E, 11070.0f, 11880.0f},
    {SceneKind::F, 11880.0f, 11981.25f},
    {SceneKind::H, 11981.25f, 12285.0f},
    {SceneKind::F, 12285.0f, 12386.25f},
    {SceneKind::H, 12386.25f, 12690.0f},
    {SceneKind::D, 12690.0f, 13490.0f},
    {SceneKind::G, 13490.0f, 16100.0f},
}};

// The show ends when the clock reaches this many ticks (273.7 s).
constexpr float kShowEndTicks = 16100.0f;

// A new scene object of the given class, built with the GL context current
// (it loads its textures). nullptr for a class this build does not have, or
// when there is no memory for the object.
Scene* CreateScene(SceneKind kind);

// Adds every row of the schedule to timeline, one new scene per row. Stops
// early, returning 0, when running drops to 0 between two rows (a close
// during loading); 1 when all rows were added.
int BuildSchedule(Timeline& timeline, const std::atomic<int>* running);

}  // namespace sunvale
