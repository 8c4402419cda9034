// The timedemo's frame loop, its statistics and its two report formats.
#include "Timedemo.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "app/DemoApp.h"
#include "app/OffscreenShow.h"
#include "app/Schedule.h"
#include "app/sound/FSound.h"

namespace sunvale {

namespace {

using Clock = std::chrono::steady_clock;

// The mixing rate the sound library is started at for the load; nothing is
// mixed.
constexpr int kMixingRate = 44100;

// Set by SIGINT or SIGTERM while the frame loop runs.
volatile std::sig_atomic_t g_stopRequested = 0;  // the signal that stopped the run, or 0
void RequestStop(int signal) { g_stopRequested = signal; }

double Milliseconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

double Share(double part, double whole) { return whole > 0.0 ? part / whole : 0.0; }

void Append(std::string* out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Append(std::string* out, const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    *out += line;
}

void AppendTableRow(std::string* out, const char* row, const char* scene, const char* ticks,
                    const FrameStats& stats)
{
    Append(out, "%4s %5s %19s %7lld %8.3f %8.3f %8.3f %8.3f %6.1f %6.1f\n", row, scene, ticks,
           static_cast<long long>(stats.frames), stats.medianMs, stats.p95Ms, stats.p99Ms,
           stats.maxMs, 100.0 * stats.CpuShare(), 100.0 * stats.WaitShare());
}

void AppendJsonStats(std::string* out, const FrameStats& stats)
{
    Append(out,
           "\"frames\": %lld, \"median_ms\": %.6f, \"p95_ms\": %.6f, \"p99_ms\": %.6f, "
           "\"max_ms\": %.6f, \"cpu_ms\": %.6f, \"wait_ms\": %.6f, \"cpu_share\": %.6f, "
           "\"wait_share\": %.6f",
           static_cast<long long>(stats.frames), stats.medianMs, stats.p95Ms, stats.p99Ms,
           stats.maxMs, stats.cpuMs, stats.waitMs, stats.CpuShare(), stats.WaitShare());
}

// Load time that no stage accounts for (scene set-up, the generator, the
// schedule), not below 0.
double OtherLoadSeconds(const TimedemoReport& report)
{
    double staged = 0.0;
    for (double seconds : report.load.seconds) staged += seconds;
    return std::max(0.0, report.loadSeconds - staged);
}

bool WriteFile(const char* path, const std::string& text)
{
    const std::string temporary = std::string(path) + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written || std::rename(temporary.c_str(), path) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

double FrameStats::CpuShare() const { return Share(cpuMs, cpuMs + waitMs); }
double FrameStats::WaitShare() const { return Share(waitMs, cpuMs + waitMs); }

double Percentile(const std::vector<double>& sorted, double p)
{
    if (sorted.empty()) return 0.0;
    const double rank = std::clamp(p, 0.0, 100.0) / 100.0 * static_cast<double>(sorted.size() - 1);
    const size_t below = static_cast<size_t>(rank);
    if (below + 1 >= sorted.size()) return sorted.back();
    const double fraction = rank - static_cast<double>(below);
    return sorted[below] + (sorted[below + 1] - sorted[below]) * fraction;
}

FrameStats SummariseFrames(const std::vector<FrameTime>& frames)
{
    FrameStats stats;
    stats.frames = static_cast<int64_t>(frames.size());
    std::vector<double> totals;
    totals.reserve(frames.size());
    for (const FrameTime& frame : frames) {
        stats.cpuMs += frame.cpuMs;
        stats.waitMs += frame.waitMs;
        totals.push_back(frame.cpuMs + frame.waitMs);
    }
    std::sort(totals.begin(), totals.end());
    stats.medianMs = Percentile(totals, 50.0);
    stats.p95Ms = Percentile(totals, 95.0);
    stats.p99Ms = Percentile(totals, 99.0);
    stats.maxMs = totals.empty() ? 0.0 : totals.back();
    return stats;
}

std::vector<TimedemoEntry> ShowEntries()
{
    std::vector<TimedemoEntry> entries;
    for (const ScheduleRow& row : kShowSchedule) {
        TimedemoEntry entry;
        entry.row = static_cast<int>(entries.size()) + 1;
        entry.scene = static_cast<char>('A' + static_cast<int>(row.kind));
        entry.start = row.start;
        entry.end = row.end;
        entries.push_back(entry);
    }
    return entries;
}

int EntryOfFrame(const std::vector<TimedemoEntry>& entries, float t)
{
    int found = -1;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].start < t && t < entries[i].end) found = static_cast<int>(i);
    return found;
}

TimedemoReport BuildTimedemoReport(const std::vector<TimedemoEntry>& entries,
                                   const std::vector<float>& ticks,
                                   const std::vector<FrameTime>& times)
{
    TimedemoReport report;
    report.entries = entries;
    report.plannedFrames = static_cast<int64_t>(ticks.size());
    std::vector<std::vector<FrameTime>> perEntry(entries.size());
    std::vector<FrameTime> outside;
    const size_t count = std::min(ticks.size(), times.size());
    for (size_t i = 0; i < count; ++i) {
        const int entry = EntryOfFrame(entries, ticks[i]);
        if (entry < 0)
            outside.push_back(times[i]);
        else
            perEntry[static_cast<size_t>(entry)].push_back(times[i]);
    }
    for (const std::vector<FrameTime>& frames : perEntry)
        report.entryStats.push_back(SummariseFrames(frames));
    report.noEntry = SummariseFrames(outside);
    std::vector<FrameTime> counted(times);
    counted.resize(count);
    report.show = SummariseFrames(counted);
    return report;
}

std::string FormatTimedemoTable(const TimedemoReport& report)
{
    std::string out;
    Append(&out, "Timedemo %dx%d, %g steps per second: %lld frames in %.2f s (%.1f frames/s)\n\n",
           report.width, report.height, report.stepsPerSecond,
           static_cast<long long>(report.show.frames), report.renderSeconds,
           report.renderSeconds > 0.0
               ? static_cast<double>(report.show.frames) / report.renderSeconds
               : 0.0);
    if (report.show.frames > 0 && report.show.frames < report.plannedFrames) {
        Append(&out, "Stopped early: %lld of %lld frames drawn, up to tick %.2f\n\n",
               static_cast<long long>(report.show.frames),
               static_cast<long long>(report.plannedFrames),
               static_cast<double>(
                   OffscreenShow::FrameTicks(report.show.frames - 1, report.stepsPerSecond)));
    }
    Append(&out, "%4s %5s %19s %7s %8s %8s %8s %8s %6s %6s\n", "row", "scene", "ticks", "frames",
           "median", "p95", "p99", "max", "cpu%", "wait%");
    for (size_t i = 0; i < report.entries.size(); ++i) {
        const TimedemoEntry& entry = report.entries[i];
        char row[16], scene[8], ticks[48];
        std::snprintf(row, sizeof row, "%d", entry.row);
        std::snprintf(scene, sizeof scene, "%c", entry.scene);
        std::snprintf(ticks, sizeof ticks, "%.2f-%.2f", static_cast<double>(entry.start),
                      static_cast<double>(entry.end));
        AppendTableRow(&out, row, scene, ticks, report.entryStats[i]);
    }
    if (report.noEntry.frames > 0) AppendTableRow(&out, "-", "none", "", report.noEntry);
    AppendTableRow(&out, "all", "", "", report.show);
    Append(&out,
           "\nFrame times in ms (median, 95th and 99th percentile, max); cpu%%: share of the time\n"
           "before glFinish (our code and the driver's calls), wait%%: inside glFinish.\n");

    Append(&out, "\nLoad %.3f s:", report.loadSeconds);
    for (int i = 0; i < kLoadStageCount; ++i) {
        Append(&out, " %s %.3f (%lld)", LoadStageName(static_cast<LoadStage>(i)),
               report.load.seconds[i], static_cast<long long>(report.load.calls[i]));
    }
    Append(&out, " other %.3f  [s (calls)]\n", OtherLoadSeconds(report));
    return out;
}

std::string FormatTimedemoJson(const TimedemoReport& report)
{
    std::string out = "{\n";
    Append(&out, "  \"width\": %d,\n  \"height\": %d,\n  \"steps_per_second\": %.6g,\n",
           report.width, report.height, report.stepsPerSecond);
    Append(&out, "  \"complete\": %s,\n  \"planned_frames\": %lld,\n",
           report.show.frames >= report.plannedFrames ? "true" : "false",
           static_cast<long long>(report.plannedFrames));
    Append(&out, "  \"render_seconds\": %.6f,\n", report.renderSeconds);
    Append(&out, "  \"load\": {\"seconds\": %.6f, \"other_seconds\": %.6f, \"stages\": {",
           report.loadSeconds, OtherLoadSeconds(report));
    for (int i = 0; i < kLoadStageCount; ++i) {
        Append(&out, "%s\"%s\": {\"seconds\": %.6f, \"calls\": %lld}", i ? ", " : "",
               LoadStageName(static_cast<LoadStage>(i)), report.load.seconds[i],
               static_cast<long long>(report.load.calls[i]));
    }
    out += "}},\n  \"entries\": [\n";
    for (size_t i = 0; i < report.entries.size(); ++i) {
        const TimedemoEntry& entry = report.entries[i];
        Append(&out,
               "    {\"row\": %d, \"scene\": \"%c\", \"start_ticks\": %.2f, \"end_ticks\": %.2f, ",
               entry.row, entry.scene, static_cast<double>(entry.start),
               static_cast<double>(entry.end));
        AppendJsonStats(&out, report.entryStats[i]);
        out += i + 1 < report.entries.size() ? "},\n" : "}\n";
    }
    out += "  ],\n  \"no_entry\": {";
    AppendJsonStats(&out, report.noEntry);
    out += "},\n  \"show\": {";
    AppendJsonStats(&out, report.show);
    out += "}\n}\n";
    return out;
}

int RunTimedemo(int width, int height, const char* jsonPathOrNull)
{
    OffscreenShow show;
    std::string error;
    if (!show.Open(width, height, &error)) {
        std::fprintf(stderr, "sunvale-capture: no offscreen OpenGL context: %s\n", error.c_str());
        return 1;
    }

    std::fprintf(stderr, "Loading the show...\n");
    ResetLoadProfile();
    FSOUND_SetOutputKind(SoundOutput::Manual);
    const Clock::time_point loadStart = Clock::now();
    show.Load();
    LoadShowMusic(kMixingRate);
    const double loadSeconds = Milliseconds(loadStart, Clock::now()) * 1e-3;
    const LoadProfile load = ReadLoadProfile();

    std::vector<float> ticks;
    for (int64_t k = 0;; ++k) {
        const float t = OffscreenShow::FrameTicks(k, kTimedemoStepsPerSecond);
        if (t >= kShowEndTicks) break;
        ticks.push_back(t);
    }
    std::vector<FrameTime> times;
    times.reserve(ticks.size());
    int lastPercent = -1;
    g_stopRequested = 0;
    void (*previousInterrupt)(int) = std::signal(SIGINT, RequestStop);
    void (*previousTerminate)(int) = std::signal(SIGTERM, RequestStop);
    const Clock::time_point renderStart = Clock::now();
    for (size_t i = 0; i < ticks.size() && !g_stopRequested; ++i) {
        const Clock::time_point frameStart = Clock::now();
        show.DrawFrame(ticks[i], ticks[i] * 0.017f);
        const Clock::time_point drawn = Clock::now();
        glFinish();
        show.EndFrame();
        const Clock::time_point finished = Clock::now();
        times.push_back({Milliseconds(frameStart, drawn), Milliseconds(drawn, finished)});
        const int percent = static_cast<int>(100 * (i + 1) / ticks.size());
        if (percent / 5 != lastPercent / 5) {
            lastPercent = percent;
            std::fprintf(stderr, "\rTimedemo %3d%% (frame %zu of %zu)", percent, i + 1,
                         ticks.size());
        }
    }
    const double renderSeconds = Milliseconds(renderStart, Clock::now()) * 1e-3;
    std::signal(SIGINT, previousInterrupt);
    std::signal(SIGTERM, previousTerminate);
    std::fprintf(stderr, "\n");

    TimedemoReport report = BuildTimedemoReport(ShowEntries(), ticks, times);
    report.width = width;
    report.height = height;
    report.renderSeconds = renderSeconds;
    report.loadSeconds = loadSeconds;
    report.load = load;
    std::fputs(FormatTimedemoTable(report).c_str(), stdout);
    if (jsonPathOrNull && !WriteFile(jsonPathOrNull, FormatTimedemoJson(report))) {
        std::fprintf(stderr, "sunvale-capture: cannot write %s\n", jsonPathOrNull);
        return 1;
    }
    // 128 + signal, as a shell reports a process ended by it.
    if (g_stopRequested) return 128 + static_cast<int>(g_stopRequested);
    return 0;
}

}  // namespace sunvale
