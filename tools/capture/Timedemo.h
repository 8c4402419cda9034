// The timedemo: the whole show rendered offscreen as fast as it goes at a
// fixed 60 steps per second, with each frame's time split into the work
// done before glFinish (our code and the driver's work inside the GL calls,
// on the processor) and the time spent inside glFinish and the frame's end
// (waiting for the driver to draw). Frames are summed per timeline entry and
// for the whole show, next to where the load time went.
//
//   sunvale-capture --timedemo [--size WxH] [--json OUT.json]
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/LoadProfile.h"

namespace sunvale {

constexpr double kTimedemoStepsPerSecond = 60.0;

// One rendered frame, in milliseconds.
struct FrameTime {
    double cpuMs = 0.0;   // from the frame's start up to the glFinish call
    double waitMs = 0.0;  // inside glFinish and the frame's end
};

// Summary of a set of frames. Percentiles and max are of the whole frame
// time (cpu + wait); cpuMs and waitMs are sums.
struct FrameStats {
    int64_t frames = 0;
    double medianMs = 0.0;
    double p95Ms = 0.0;
    double p99Ms = 0.0;
    double maxMs = 0.0;
    double cpuMs = 0.0;
    double waitMs = 0.0;

    // cpuMs / (cpuMs + waitMs) in 0..1; 0 without any time.
    [[nodiscard]] double CpuShare() const;
    // waitMs / (cpuMs + waitMs) in 0..1; 0 without any time.
    [[nodiscard]] double WaitShare() const;
};

// The p-th percentile (p in 0..100) of values sorted ascending, linearly
// interpolated between the two nearest ranks: rank p / 100 * (n - 1),
// counted from 0. 0 for no values.
[[nodiscard]] double Percentile(const std::vector<double>& sorted, double p);

// Statistics of the given frames.
[[nodiscard]] FrameStats SummariseFrames(const std::vector<FrameTime>& frames);

// A timeline entry as the report names it.
struct TimedemoEntry {
    int row = 0;     // 1-based row of the schedule
    char scene = 0;  // scene class letter 'A'..'H'
    float start = 0.0f;
    float end = 0.0f;
};

// The sixteen rows of the show's schedule.
[[nodiscard]] std::vector<TimedemoEntry> ShowEntries();

// Index into entries of the entry that a frame at show time t (ticks) is
// counted for: the last one in timeline order with start < t < end, as the
// timeline tests it, so that where two entries overlap the frame goes to the
// one that began later. -1 when no entry draws at t.
[[nodiscard]] int EntryOfFrame(const std::vector<TimedemoEntry>& entries, float t);

struct TimedemoReport {
    int width = 0;
    int height = 0;
    double stepsPerSecond = kTimedemoStepsPerSecond;
    std::vector<TimedemoEntry> entries;
    std::vector<FrameStats> entryStats;  // parallel to entries
    FrameStats noEntry;                  // frames at times no entry draws
    FrameStats show;                     // every frame
    int64_t plannedFrames = 0;           // frames of the whole show; more than show.frames
                                         // when the run was stopped early
    double renderSeconds = 0.0;          // wall time of the frame loop
    double loadSeconds = 0.0;            // wall time of the whole load
    LoadProfile load;                    // the load's stages
};

// Counts frame i (shown at ticks[i], timed times[i]) for its entry and for
// the whole show, for every i below the shorter length; plannedFrames is
// the length of ticks.
[[nodiscard]] TimedemoReport BuildTimedemoReport(const std::vector<TimedemoEntry>& entries,
                                                 const std::vector<float>& ticks,
                                                 const std::vector<FrameTime>& times);

// The report as a plain-text table, and as a JSON object with the same
// numbers (times in milliseconds and seconds, shares in 0..1).
[[nodiscard]] std::string FormatTimedemoTable(const TimedemoReport& report);
[[nodiscard]] std::string FormatTimedemoJson(const TimedemoReport& report);

// Loads and renders the show from data.rar in the working directory at
// width x height, prints the table on standard output and, with a path,
// writes the JSON there (through a temporary file renamed into place).
// An interrupt or termination signal stops the frame loop; the frames drawn
// until then are reported, marked as a partial run. Returns the exit status:
// 0; 1 without an offscreen context or when the JSON cannot be written;
// 130 or 143 after SIGINT or SIGTERM.
int RunTimedemo(int width, int height, const char* jsonPathOrNull);

}  // namespace sunvale
