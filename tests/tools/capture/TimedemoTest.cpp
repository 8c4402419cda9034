// The timedemo's statistics and reports on made-up frame times, the load
// profile of the real load path, and one whole run of the tool at a tiny
// size checked against the schedule. No test looks at how fast anything is.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "JsonReader.h"
#include "Timedemo.h"
#include "app/OffscreenContext.h"
#include "app/OffscreenShow.h"
#include "app/Schedule.h"
#include "library/moxa/3d/ModelLoader.h"
#include "library/moxa/imagelib/CTexManager.h"
#include "support/ScopedTempDir.h"

namespace sunvale {
namespace {

using testsupport::JsonReader;
using testsupport::JsonValue;

bool HaveDataRar()
{
    std::FILE* f = std::fopen("data.rar", "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

// Frames of 1..n ms whole, a quarter of each before glFinish, in a shuffled
// order.
std::vector<FrameTime> RampFrames(int n)
{
    std::vector<FrameTime> frames;
    for (int v = 1; v <= n; ++v) frames.push_back({0.25 * v, 0.75 * v});
    std::shuffle(frames.begin(), frames.end(), std::mt19937(7));
    return frames;
}

TEST(TimedemoStats, PercentilesInterpolateBetweenRanks)
{
    EXPECT_EQ(Percentile({}, 50.0), 0.0);
    EXPECT_EQ(Percentile({4.0}, 99.0), 4.0);
    EXPECT_DOUBLE_EQ(Percentile({10.0, 20.0}, 50.0), 15.0);
    EXPECT_DOUBLE_EQ(Percentile({1.0, 2.0, 3.0, 4.0}, 50.0), 2.5);
    EXPECT_DOUBLE_EQ(Percentile({1.0, 2.0, 3.0, 4.0, 100.0}, 50.0), 3.0);
    EXPECT_DOUBLE_EQ(Percentile({1.0, 2.0, 3.0}, 0.0), 1.0);
    EXPECT_DOUBLE_EQ(Percentile({1.0, 2.0, 3.0}, 100.0), 3.0);
}

TEST(TimedemoStats, SummaryOfOneToAHundredMilliseconds)
{
    const FrameStats stats = SummariseFrames(RampFrames(100));
    EXPECT_EQ(stats.frames, 100);
    EXPECT_DOUBLE_EQ(stats.medianMs, 50.5);
    EXPECT_DOUBLE_EQ(stats.p95Ms, 95.05);
    EXPECT_DOUBLE_EQ(stats.p99Ms, 99.01);
    EXPECT_DOUBLE_EQ(stats.maxMs, 100.0);
    EXPECT_DOUBLE_EQ(stats.cpuMs, 0.25 * 5050);
    EXPECT_DOUBLE_EQ(stats.waitMs, 0.75 * 5050);
    EXPECT_DOUBLE_EQ(stats.CpuShare(), 0.25);
    EXPECT_DOUBLE_EQ(stats.WaitShare(), 0.75);

    const FrameStats none = SummariseFrames({});
    EXPECT_EQ(none.frames, 0);
    EXPECT_EQ(none.maxMs, 0.0);
    EXPECT_EQ(none.CpuShare(), 0.0);
    EXPECT_EQ(none.WaitShare(), 0.0);
}

TEST(TimedemoEntries, AreTheScheduleRowsInOrder)
{
    const std::vector<TimedemoEntry> entries = ShowEntries();
    ASSERT_EQ(entries.size(), 16u);
    EXPECT_EQ(std::string(1, entries[0].scene), "A");
    EXPECT_EQ(entries[0].row, 1);
    EXPECT_EQ(entries[5].scene, 'F');
    EXPECT_EQ(entries[5].start, 10260.0f);
    EXPECT_EQ(entries[5].end, 10361.25f);
    EXPECT_EQ(entries[11].scene, 'H');
    EXPECT_EQ(entries[15].scene, 'G');
    EXPECT_EQ(entries[15].row, 16);
    EXPECT_EQ(entries[15].end, 16100.0f);
}

// The bounds are strict on both sides; in the overlap of rows 2 and 3 the
// frame goes to row 3, the entry that began later.
TEST(TimedemoEntries, FrameAtABoundGoesWhereTheTimelineDrawsIt)
{
    const std::vector<TimedemoEntry> entries = ShowEntries();
    EXPECT_EQ(EntryOfFrame(entries, 0.0f), -1);
    EXPECT_EQ(EntryOfFrame(entries, 0.25f), 0);
    EXPECT_EQ(EntryOfFrame(entries, 2979.75f), 0);
    EXPECT_EQ(EntryOfFrame(entries, 2980.0f), -1);
    EXPECT_EQ(EntryOfFrame(entries, 2980.25f), 1);
    EXPECT_EQ(EntryOfFrame(entries, 6195.0f), 1);
    EXPECT_EQ(EntryOfFrame(entries, 6195.25f), 2);
    EXPECT_EQ(EntryOfFrame(entries, 6199.75f), 2);
    EXPECT_EQ(EntryOfFrame(entries, 6200.0f), 2);
    EXPECT_EQ(EntryOfFrame(entries, 9450.0f), -1);
    EXPECT_EQ(EntryOfFrame(entries, 10361.0f), 5);
    EXPECT_EQ(EntryOfFrame(entries, 10361.25f), -1);
    EXPECT_EQ(EntryOfFrame(entries, 10361.5f), 6);
    EXPECT_EQ(EntryOfFrame(entries, 16099.75f), 15);
    EXPECT_EQ(EntryOfFrame(entries, 16100.0f), -1);
}

// Frames at and beside the bounds of rows 1 to 3, each with its own time, so
// that every entry's maximum says which frames it was given.
TEST(TimedemoReport, CountsEachFrameOnceForItsEntry)
{
    const std::vector<TimedemoEntry> entries = ShowEntries();
    const std::vector<float> ticks = {0.0f,    1.0f,    2980.0f, 2981.0f, 6195.0f,
                                      6196.0f, 6200.0f, 6201.0f, 9450.0f, 16100.0f};
    std::vector<FrameTime> times;
    for (size_t i = 0; i < ticks.size(); ++i) times.push_back({1.0 + double(i), 0.5});
    const TimedemoReport report = BuildTimedemoReport(entries, ticks, times);
    ASSERT_EQ(report.entryStats.size(), 16u);
    EXPECT_EQ(report.entryStats[0].frames, 1);
    EXPECT_DOUBLE_EQ(report.entryStats[0].maxMs, 2.5);  // tick 1
    EXPECT_EQ(report.entryStats[1].frames, 2);
    EXPECT_DOUBLE_EQ(report.entryStats[1].maxMs, 5.5);  // tick 6195
    EXPECT_EQ(report.entryStats[2].frames, 3);
    EXPECT_DOUBLE_EQ(report.entryStats[2].maxMs, 8.5);  // tick 6201
    EXPECT_EQ(report.noEntry.frames, 4);                // 0, 2980, 9450, 16100
    EXPECT_DOUBLE_EQ(report.noEntry.maxMs, 10.5);
    EXPECT_EQ(report.show.frames, 10);
    EXPECT_DOUBLE_EQ(report.show.waitMs, 5.0);
    for (size_t i = 3; i < 16; ++i) EXPECT_EQ(report.entryStats[i].frames, 0) << "row " << i + 1;
}

// Frame counts of a JSON report: per entry, outside every entry, whole show.
struct JsonCounts {
    std::vector<int64_t> entries;
    int64_t noEntry = -1;
    int64_t show = -1;
};

// Checks the report's shape (every key, 16 rows in schedule order) and
// returns its frame counts.
void ReadJsonReport(const std::string& text, JsonCounts* counts)
{
    JsonValue root;
    ASSERT_TRUE(JsonReader::Parse(text, &root)) << text;
    ASSERT_EQ(root.kind, JsonValue::Kind::Object);
    for (const char* key : {"width", "height", "steps_per_second", "render_seconds"})
        EXPECT_EQ(root[key].kind, JsonValue::Kind::Number) << key;
    EXPECT_EQ(root["steps_per_second"].number, 60.0);
    EXPECT_EQ(root["complete"].kind, JsonValue::Kind::Bool);
    EXPECT_EQ(root["planned_frames"].kind, JsonValue::Kind::Number);
    const JsonValue& load = root["load"];
    EXPECT_EQ(load["seconds"].kind, JsonValue::Kind::Number);
    EXPECT_EQ(load["other_seconds"].kind, JsonValue::Kind::Number);
    for (const char* stage : {"archive", "image_decode", "texture_upload", "model", "music"}) {
        EXPECT_EQ(load["stages"][stage]["seconds"].kind, JsonValue::Kind::Number) << stage;
        EXPECT_EQ(load["stages"][stage]["calls"].kind, JsonValue::Kind::Number) << stage;
    }
    auto checkStats = [](const JsonValue& stats, const std::string& where) {
        for (const char* key : {"frames", "median_ms", "p95_ms", "p99_ms", "max_ms", "cpu_ms",
                                "wait_ms", "cpu_share", "wait_share"})
            EXPECT_EQ(stats[key].kind, JsonValue::Kind::Number) << where << " " << key;
        return static_cast<int64_t>(stats["frames"].number);
    };
    const JsonValue& entries = root["entries"];
    ASSERT_EQ(entries.kind, JsonValue::Kind::Array);
    ASSERT_EQ(entries.items.size(), kShowSchedule.size());
    for (size_t i = 0; i < entries.items.size(); ++i) {
        const JsonValue& entry = entries.items[i];
        EXPECT_EQ(entry["row"].number, double(i + 1));
        EXPECT_EQ(entry["scene"].text,
                  std::string(1, char('A' + static_cast<int>(kShowSchedule[i].kind))));
        EXPECT_EQ(entry["start_ticks"].number, kShowSchedule[i].start);
        EXPECT_EQ(entry["end_ticks"].number, kShowSchedule[i].end);
        counts->entries.push_back(checkStats(entry, "row " + std::to_string(i + 1)));
    }
    counts->noEntry = checkStats(root["no_entry"], "no_entry");
    counts->show = checkStats(root["show"], "show");
}

TEST(TimedemoReport, JsonIsWellFormedAndItsCountsAddUp)
{
    const std::vector<TimedemoEntry> entries = ShowEntries();
    std::vector<float> ticks;
    for (float t = 0.0f; t <= 16100.0f; t += 7.25f) ticks.push_back(t);
    std::vector<FrameTime> times(ticks.size(), FrameTime{0.5, 1.5});
    TimedemoReport report = BuildTimedemoReport(entries, ticks, times);
    report.width = 64;
    report.height = 48;
    report.loadSeconds = 1.0;
    report.load.seconds[0] = 0.25;

    const std::string json = FormatTimedemoJson(report);
    JsonValue cut;
    EXPECT_FALSE(JsonReader::Parse(json.substr(0, json.rfind('}')), &cut));
    JsonCounts counts;
    ReadJsonReport(json, &counts);
    if (HasFatalFailure()) return;
    int64_t sum = counts.noEntry;
    for (size_t i = 0; i < counts.entries.size(); ++i) {
        EXPECT_EQ(counts.entries[i], report.entryStats[i].frames);
        sum += counts.entries[i];
    }
    EXPECT_EQ(counts.show, static_cast<int64_t>(ticks.size()));
    EXPECT_EQ(sum, counts.show);
    JsonValue root;
    ASSERT_TRUE(JsonReader::Parse(json, &root));
    EXPECT_TRUE(root["complete"].boolean);

    const std::string table = FormatTimedemoTable(report);
    EXPECT_NE(table.find("Timedemo 64x48"), std::string::npos) << table;
    EXPECT_NE(table.find("other 0.750"), std::string::npos) << table;
}

// A run stopped after 3 of 5 frames reports those 3 and says so.
TEST(TimedemoReport, StoppedRunIsMarkedPartial)
{
    const std::vector<float> ticks = {1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    const std::vector<FrameTime> times(3, FrameTime{1.0, 1.0});
    TimedemoReport report = BuildTimedemoReport(ShowEntries(), ticks, times);
    EXPECT_EQ(report.plannedFrames, 5);
    EXPECT_EQ(report.show.frames, 3);
    EXPECT_EQ(report.entryStats[0].frames, 3);
    JsonValue root;
    ASSERT_TRUE(JsonReader::Parse(FormatTimedemoJson(report), &root));
    EXPECT_EQ(root["complete"].kind, JsonValue::Kind::Bool);
    EXPECT_FALSE(root["complete"].boolean);
    EXPECT_EQ(root["planned_frames"].number, 5.0);
    EXPECT_EQ(root["show"]["frames"].number, 3.0);
    const std::string table = FormatTimedemoTable(report);
    EXPECT_NE(table.find("Stopped early: 3 of 5 frames"), std::string::npos) << table;
}

TEST(LoadProfile, TimersAddToTheirOwnStage)
{
    ResetLoadProfile();
    {
        LoadTimer timer(LoadStage::Model);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    {
        LoadTimer timer(LoadStage::Model);
    }
    const LoadProfile profile = ReadLoadProfile();
    EXPECT_EQ(profile.calls[static_cast<int>(LoadStage::Model)], 2);
    EXPECT_GE(profile.seconds[static_cast<int>(LoadStage::Model)], 0.002);
    for (LoadStage other :
         {LoadStage::Archive, LoadStage::ImageDecode, LoadStage::TextureUpload, LoadStage::Music}) {
        EXPECT_EQ(profile.calls[static_cast<int>(other)], 0) << LoadStageName(other);
        EXPECT_EQ(profile.seconds[static_cast<int>(other)], 0.0) << LoadStageName(other);
    }
    ResetLoadProfile();
    EXPECT_EQ(ReadLoadProfile().calls[static_cast<int>(LoadStage::Model)], 0);
}

// The model and a texture of the show's data, loaded as scenes load them:
// each step is counted in its stage, and a cached texture costs nothing.
TEST(LoadProfile, TheLoadPathCountsItsSteps)
{
    if (!HaveDataRar()) GTEST_SKIP() << "no data.rar in the working directory";
    ResetLoadProfile();
    std::unique_ptr<Model> model(LoadModel("data.rar", "data/model/thead.3ds"));
    ASSERT_NE(model, nullptr);
    LoadProfile profile = ReadLoadProfile();
    EXPECT_EQ(profile.calls[static_cast<int>(LoadStage::Archive)], 1);
    EXPECT_EQ(profile.calls[static_cast<int>(LoadStage::Model)], 1);
    EXPECT_EQ(profile.calls[static_cast<int>(LoadStage::ImageDecode)], 0);

    OffscreenContext context;
    if (!context.Create(16, 16)) {
        if (RunningUnderCi()) FAIL() << "no offscreen OpenGL context";
        GTEST_SKIP() << "no offscreen OpenGL context";
    }
    ResetLoadProfile();
    const int32_t texture = g_texManager.LoadTexture("data.rar", "data/texture/noize.jpg", 1, 1);
    ASSERT_NE(texture, -1);
    EXPECT_EQ(g_texManager.LoadTexture("data.rar", "data/texture/noize.jpg", 1, 1), texture);
    profile = ReadLoadProfile();
    EXPECT_EQ(profile.calls[static_cast<int>(LoadStage::Archive)], 1);
    EXPECT_EQ(profile.calls[static_cast<int>(LoadStage::ImageDecode)], 1);
    EXPECT_EQ(profile.calls[static_cast<int>(LoadStage::TextureUpload)], 1);
    EXPECT_EQ(profile.calls[static_cast<int>(LoadStage::Model)], 0);
    g_texManager.ReleaseTexture(texture);
    g_texManager.ReleaseTexture(texture);
}

int RunCapture(const std::string& arguments, const std::string& output)
{
    const std::string command =
        std::string(SUNVALE_CAPTURE) + " " + arguments + " >" + output + " 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TimedemoTool, RefusesBadArguments)
{
    const testsupport::ScopedTempDir dir;
    const std::string log = dir.File("log.txt");
    EXPECT_EQ(RunCapture("--timedemo out.png", log), 2);
    EXPECT_EQ(RunCapture("--timedemo --tick 10", log), 2);
    EXPECT_EQ(RunCapture("--json " + dir.File("t.json") + " --tick 10 out.png", log), 2);
    EXPECT_EQ(RunCapture("--timedemo --json", log), 2);
    EXPECT_EQ(RunCapture("--timedemo --size 0x12", log), 2);
}

// The whole show at 16 x 12: 16422 frames of 1/60 s before 16100 ticks, each
// counted for the entry the timeline draws it in (frames 0 and 9639, at 0
// and 9450 ticks, fall on no entry), and the JSON file written.
TEST(TimedemoTool, WholeShowMatchesTheSchedule)
{
    if (!HaveDataRar()) GTEST_SKIP() << "no data.rar in the working directory";
    {
        OffscreenContext probe;
        if (!probe.Create(16, 12)) {
            if (RunningUnderCi()) FAIL() << "no offscreen OpenGL context";
            GTEST_SKIP() << "no offscreen OpenGL context";
        }
    }
    const testsupport::ScopedTempDir dir;
    const std::string json = dir.File("timedemo.json");
    const std::string log = dir.File("log.txt");
    ASSERT_EQ(RunCapture("--timedemo --size 16x12 --json " + json, log), 0);
    std::ifstream file(json);
    std::stringstream text;
    text << file.rdbuf();
    JsonCounts counts;
    ReadJsonReport(text.str(), &counts);
    if (HasFatalFailure()) return;

    std::vector<int64_t> expected(kShowSchedule.size(), 0);
    int64_t outside = 0, frames = 0;
    for (int64_t k = 0; OffscreenShow::FrameTicks(k, 60.0) < kShowEndTicks; ++k, ++frames) {
        const float t = OffscreenShow::FrameTicks(k, 60.0);
        int last = -1;
        for (size_t i = 0; i < kShowSchedule.size(); ++i)
            if (kShowSchedule[i].start < t && t < kShowSchedule[i].end) last = int(i);
        if (last < 0)
            ++outside;
        else
            ++expected[size_t(last)];
    }
    EXPECT_EQ(frames, 16422);
    EXPECT_EQ(outside, 2);
    EXPECT_EQ(counts.entries, expected);
    EXPECT_EQ(counts.noEntry, outside);
    EXPECT_EQ(counts.show, frames);

    std::ifstream logFile(log);
    std::stringstream logText;
    logText << logFile.rdbuf();
    EXPECT_NE(logText.str().find("Timedemo 16x12, 60 steps per second: 16422 frames"),
              std::string::npos)
        << logText.str();
    std::ifstream leftover(json + ".part");
    EXPECT_FALSE(leftover.good());
}

}  // namespace
}  // namespace sunvale
