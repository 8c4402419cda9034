// GetTicks and its counter (see Clock.h).
#include "app/Clock.h"

#include <chrono>

namespace sunvale {

namespace {

// 1/17 in single precision (0x3D70F0F1): ticks per millisecond.
constexpr float kTicksPerMillisecond = 0.05882353f;

struct TickState {
    bool started = false;
    float origin = 0.0f;     // counter at the first call, single precision
    float lastRaw = 0.0f;    // counter at the latest call
    float lastTicks = 0.0f;  // latest result
};

TickState g_ticks;
MillisecondCounter g_counter = nullptr;

uint32_t ReadCounter() { return g_counter ? g_counter() : SystemMilliseconds(); }

}  // namespace

// Counted from the first read in this process rather than from boot: the
// origin is stored in single precision, which is exact only below 2^24 ms
// (4.6 hours), and a boot-relative counter would shift every frame time by
// the rounding of a large uptime.
uint32_t SystemMilliseconds()
{
    using namespace std::chrono;
    static const steady_clock::time_point epoch = steady_clock::now();
    const auto ms = duration_cast<milliseconds>(steady_clock::now() - epoch).count();
    return static_cast<uint32_t>(ms);
}

float GetTicks()
{
    if (!g_ticks.started) {
        g_ticks.origin = static_cast<float>(ReadCounter());
        g_ticks.started = true;
    }
    const uint32_t now = ReadCounter();
    g_ticks.lastRaw = static_cast<float>(now);
    const double ticks = (static_cast<double>(now) - static_cast<double>(g_ticks.origin)) *
                         static_cast<double>(kTicksPerMillisecond);
    g_ticks.lastTicks = static_cast<float>(ticks);
    return g_ticks.lastTicks;
}

void SetMillisecondCounter(MillisecondCounter counter) { g_counter = counter; }

void ResetTicks() { g_ticks = TickState{}; }

}  // namespace sunvale
