// Scene factory and the schedule build of the load step.
#include "app/Schedule.h"

#include <new>

#include "app/Timeline.h"
#include "scenes/SceneC.h"
#include "scenes/SceneE.h"
#include "scenes/SceneF.h"
#include "scenes/SceneG.h"

namespace sunvale {

Scene* CreateScene(SceneKind kind)
{
    switch (kind) {
    case SceneKind::C:
        return new (std::nothrow) SceneC();
    case SceneKind::E:
        return new (std::nothrow) SceneE();
    case SceneKind::F:
        return new SceneF();
    case SceneKind::G:
        return new (std::nothrow) SceneG();
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
