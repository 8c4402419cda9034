// Scene factory and the schedule build of the load step.
#include "app/Schedule.h"

#include <new>

#include "app/Timeline.h"
#include "scenes/SceneA.h"
#include "scenes/SceneB.h"
#include "scenes/SceneC.h"
#include "scenes/SceneD.h"
#include "scenes/SceneE.h"
#include "scenes/SceneF.h"
#include "scenes/SceneG.h"
#include "scenes/SceneH.h"

namespace sunvale {

// Without memory for the object the entry simply has no scene. Every row of
// the schedule names one of these classes.
Scene* CreateScene(SceneKind kind)
{
    switch (kind) {
    case SceneKind::A:
        return new (std::nothrow) SceneA();
    case SceneKind::B:
        return new (std::nothrow) SceneB();
    case SceneKind::C:
        return new (std::nothrow) SceneC();
    case SceneKind::D:
        return new (std::nothrow) SceneD();
    case SceneKind::E:
        return new (std::nothrow) SceneE();
    case SceneKind::F:
        return new (std::nothrow) SceneF();
    case SceneKind::G:
        return new (std::nothrow) SceneG();
    case SceneKind::H:
        return new (std::nothrow) SceneH();
    }
    return nullptr;
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
