// Timeline: the list of scene entries and the per-frame dispatch.
#include "app/Timeline.h"

#include "scenes/Scene.h"

namespace sunvale {

Timeline::Timeline() : scenes{}, starts{}, ends{}, count(0) {}

Timeline::~Timeline() { DestroyScenes(); }

int Timeline::Add(Scene* scene, float start, float end)
{
    if (count >= kMaxEntries) return 0;
    scenes[count] = scene;
    starts[count] = start;
    ends[count] = end;
    ++count;
    return 1;
}

void Timeline::Update(float t)
{
    for (int i = 0; i < count; ++i) {
        if (starts[i] < t && t < ends[i] && scenes[i]) scenes[i]->Render(t, starts[i]);
    }
}

void Timeline::DestroyScenes()
{
    for (int i = 0; i < count; ++i) {
        delete scenes[i];
        scenes[i] = nullptr;
    }
}

}  // namespace sunvale
