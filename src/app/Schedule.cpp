// Scene factory and the schedule build of the load step.
#include "app/Schedule.h"

#include <new>

#include "app/Timeline.h"
#include "scenes/SceneA.h"
#include "scenes/SceneB.h"
#include "scenes/SceneD.h"
#include "scenes/SceneF.h"
#include "scenes/SceneH.h"

namespace sunvale {

// Without memory for the object the entry simply has no scene.
Scene* CreateScene(SceneKind kind)
{
    switch (kind) {
    case SceneKind::A:
        return new (std::nothrow) SceneA();
    case SceneKind::B:
        return new (std::nothrow) SceneB();
    case SceneKind::D:
        return new (std::nothrow) SceneD();
    case SceneKind::F:
        return new (std::nothrow) SceneF();
    case SceneKind::H:
        return new (std::nothrow) SceneH();
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
