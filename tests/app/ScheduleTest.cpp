// Scene creation when memory runs out: the entry stays without a scene and
// the load goes on. This executable replaces the global operator new so that
// allocations can be made to fail, which is why it is one of its own.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "app/Schedule.h"
#include "app/Timeline.h"

namespace {

std::atomic<bool> g_failAllocations{false};

void* Allocate(std::size_t size) noexcept
{
    if (g_failAllocations.load()) return nullptr;
    return std::malloc(size ? size : 1);
}

// Out of line, so that the compiler does not pair a new-expression with free.
[[gnu::noinline]] void Release(void* p) noexcept { std::free(p); }

}  // namespace

void* operator new(std::size_t size)
{
    void* p = Allocate(size);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }

namespace sunvale {
namespace {

// Runs f with every allocation failing; reports whether f threw.
template <typename F>
bool ThrowsWithoutMemory(F f)
{
    bool threw = false;
    g_failAllocations = true;
    try {
        f();
    } catch (...) {
        threw = true;
    }
    g_failAllocations = false;
    return threw;
}

TEST(Schedule, SceneWithoutMemoryIsNullNotAnException)
{
    for (SceneKind kind : {SceneKind::A, SceneKind::B, SceneKind::C, SceneKind::D, SceneKind::E,
                           SceneKind::F, SceneKind::G, SceneKind::H}) {
        Scene* scene = reinterpret_cast<Scene*>(&g_failAllocations);  // must be overwritten
        EXPECT_FALSE(ThrowsWithoutMemory([&] { scene = CreateScene(kind); })) << int(kind);
        EXPECT_EQ(scene, nullptr) << int(kind);
    }
}

TEST(Schedule, LoadWithoutMemoryAddsEveryEntryWithoutAScene)
{
    Timeline timeline;
    int result = -1;
    EXPECT_FALSE(ThrowsWithoutMemory([&] { result = BuildSchedule(timeline, nullptr); }));
    EXPECT_EQ(result, 1);
    ASSERT_EQ(timeline.Count(), int(kShowSchedule.size()));
    for (int i = 0; i < timeline.Count(); ++i) {
        EXPECT_EQ(timeline.SceneAt(i), nullptr) << i;
        EXPECT_EQ(timeline.StartAt(i), kShowSchedule[size_t(i)].start) << i;
        EXPECT_EQ(timeline.EndAt(i), kShowSchedule[size_t(i)].end) << i;
    }
}

}  // namespace
}  // namespace sunvale
