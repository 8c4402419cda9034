// Scene factory and the schedule build of the load step.
#include "app/Schedule.h"

#include "app/Timeline.h"

namespace sunvale {

Scene* CreateScene(SceneKind kind)
{
    switch (kind) {
    default:
        return nullptr;
    }
}

int BuildSchedule(Timeline& timeline, const std::atomic<int>* running)
{
    for (const ScheduleRow& row : kShowSchedule) {
        if (running && running->load() == 0) return 0;
        timeline.Add(CreateScene(row.kind), row.start, row.end);
    }
    return 1;
}

}  // namespace sunvale
