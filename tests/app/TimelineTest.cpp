#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "app/Schedule.h"
#include "app/Timeline.h"
#include "scenes/Scene.h"

namespace sunvale {
namespace {

struct Call {
    int id;
    float time;
    float start;
};

std::vector<Call> g_calls;
int g_deleted = 0;

class RecordingScene : public Scene {
public:
    explicit RecordingScene(int id) : id_(id) {}
    ~RecordingScene() override { ++g_deleted; }
    void Render(float time, float startTime) override { g_calls.push_back({id_, time, startTime}); }

private:
    int id_;
};

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_calls.clear();
        g_deleted = 0;
    }
    // The production schedule with one recording scene per row (id = row).
    void AddShowSchedule(Timeline& timeline)
    {
        int id = 1;
        for (const ScheduleRow& row : kShowSchedule)
            timeline.Add(new RecordingScene(id++), row.start, row.end);
    }
    std::vector<int> RenderedAt(Timeline& timeline, float t)
    {
        g_calls.clear();
        timeline.Update(t);
        std::vector<int> ids;
        for (const Call& call : g_calls) ids.push_back(call.id);
        return ids;
    }
};

TEST_F(TimelineTest, EntryNotDrawnAtItsOwnStartOrEnd)
{
    Timeline timeline;
    AddShowSchedule(timeline);
    EXPECT_TRUE(RenderedAt(timeline, 0.0f).empty());
    EXPECT_EQ(RenderedAt(timeline, 0.25f), std::vector<int>{1});
    EXPECT_EQ(RenderedAt(timeline, 2980.0f), std::vector<int>{});
    // Between entries 6 and 7: a black frame.
    EXPECT_TRUE(RenderedAt(timeline, 10361.25f).empty());
    EXPECT_EQ(RenderedAt(timeline, 10361.5f), std::vector<int>{7});
    EXPECT_TRUE(RenderedAt(timeline, 16100.0f).empty());
    EXPECT_EQ(RenderedAt(timeline, 16099.75f), std::vector<int>{16});
}

TEST_F(TimelineTest, OverlappingEntriesRenderInOrderOfAddition)
{
    Timeline timeline;
    AddShowSchedule(timeline);
    timeline.Update(6197.0f);
    ASSERT_EQ(g_calls.size(), 2u);
    EXPECT_EQ(g_calls[0].id, 2);
    EXPECT_EQ(g_calls[0].start, 2980.0f);
    EXPECT_EQ(g_calls[1].id, 3);
    EXPECT_EQ(g_calls[1].start, 6195.0f);
    EXPECT_EQ(g_calls[1].time, 6197.0f);
}

TEST_F(TimelineTest, EachEntryGetsItsOwnStart)
{
    Timeline timeline;
    AddShowSchedule(timeline);
    const float fStarts[] = {10260.0f, 10665.0f, 11880.0f, 12285.0f};
    for (float start : fStarts) {
        g_calls.clear();
        timeline.Update(start + 50.0f);
        ASSERT_EQ(g_calls.size(), 1u);
        EXPECT_EQ(g_calls[0].start, start);
    }
}

TEST_F(TimelineTest, SixtyFifthAddIsRefusedAndChangesNothing)
{
    RecordingScene extra(99);
    {
        Timeline timeline;
        for (int i = 0; i < Timeline::kMaxEntries; ++i)
            ASSERT_EQ(timeline.Add(new RecordingScene(i), 0.0f, 10.0f), 1);
        EXPECT_EQ(timeline.Add(&extra, 0.0f, 10.0f), 0);
        EXPECT_EQ(timeline.Count(), 64);
        timeline.Update(5.0f);
        EXPECT_EQ(g_calls.size(), 64u);
        for (const Call& call : g_calls) EXPECT_NE(call.id, 99);
    }
    // The 64 owned scenes are deleted with the timeline; the refused one is
    // still ours.
    EXPECT_EQ(g_deleted, 64);
}

TEST_F(TimelineTest, EmptyOrReversedIntervalNeverRenders)
{
    Timeline timeline;
    timeline.Add(new RecordingScene(1), 100.0f, 100.0f);
    timeline.Add(new RecordingScene(2), 200.0f, 100.0f);
    for (float t : {50.0f, 100.0f, 150.0f, 200.0f, 250.0f}) timeline.Update(t);
    EXPECT_TRUE(g_calls.empty());
}

TEST_F(TimelineTest, NullScenesAreSkippedAndDestroyingTwiceIsHarmless)
{
    Timeline timeline;
    EXPECT_EQ(timeline.Add(nullptr, 0.0f, 10.0f), 1);
    timeline.Add(new RecordingScene(1), 0.0f, 10.0f);
    timeline.Update(5.0f);
    ASSERT_EQ(g_calls.size(), 1u);
    timeline.DestroyScenes();
    EXPECT_EQ(g_deleted, 1);
    EXPECT_EQ(timeline.SceneAt(1), nullptr);
    timeline.DestroyScenes();
    EXPECT_EQ(g_deleted, 1);
    g_calls.clear();
    timeline.Update(5.0f);
    EXPECT_TRUE(g_calls.empty());
}

TEST(Schedule, SixteenRowsEndAtTheShowsEnd)
{
    ASSERT_EQ(kShowSchedule.size(), 16u);
    EXPECT_EQ(kShowSchedule.back().end, kShowEndTicks);
    // Four short F entries, each one bar of 101.25 ticks, each followed by
    // an entry three times as long or longer.
    for (int i : {5, 7, 10, 12}) {
        EXPECT_EQ(kShowSchedule[i].kind, SceneKind::F);
        EXPECT_EQ(kShowSchedule[i].end - kShowSchedule[i].start, 101.25f);
        EXPECT_EQ(kShowSchedule[i].end, kShowSchedule[i + 1].start);
        EXPECT_GE(kShowSchedule[i + 1].end - kShowSchedule[i + 1].start, 303.75f);
    }
    EXPECT_EQ(kShowSchedule[14].end - kShowSchedule[14].start, 800.0f);
}

TEST(Schedule, BuildStopsWhenRunningDrops)
{
    Timeline timeline;
    std::atomic<int> running{0};
    EXPECT_EQ(BuildSchedule(timeline, &running), 0);
    EXPECT_EQ(timeline.Count(), 0);
}

}  // namespace
}  // namespace sunvale
