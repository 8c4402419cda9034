// The effect list: capacity, ownership and the indexed calls' range checks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "effects/EffectList.h"

namespace sunvale {
namespace {

// Records every call it receives in a shared log; counts its deletions.
struct CallLog {
    std::vector<std::string> calls;
    int deleted = 0;
};

class RecordingEffect : public Effect {
public:
    RecordingEffect(CallLog* log, std::string name) : log_(log), name_(std::move(name)) {}
    ~RecordingEffect() override { ++log_->deleted; }

    void Draw(float time) override { Log("Draw", time); }
    void DrawOver(float time, Effect* source) override
    {
        if (source != nullptr) {
            source->Draw(time);
        }
        Log(source != nullptr ? "DrawOver" : "DrawOverNull", time);
    }
    void SetTextures(int32_t first, int32_t second) override
    {
        Log("SetTextures", static_cast<float>(first * 1000 + second));
    }
    void SetTexture(int32_t texture) override { Log("SetTexture", static_cast<float>(texture)); }
    void SetModel(Model* model) override { Log(model ? "SetModel" : "SetModelNull", 0.0f); }

private:
    void Log(const char* what, float value)
    {
        log_->calls.push_back(name_ + "." + what + "(" + std::to_string(static_cast<int>(value)) + ")");
    }
    CallLog* log_;
    std::string name_;
};

TEST(EffectList, StartsEmpty)
{
    EffectList list;
    EXPECT_EQ(list.count, 0);
    for (Effect* effect : list.effects) {
        EXPECT_EQ(effect, nullptr);
    }
}

TEST(EffectList, NinthAddIsRefusedAndLeavesListUnchanged)
{
    CallLog log;
    EffectList list;
    RecordingEffect* added[8];
    for (int i = 0; i < 8; ++i) {
        added[i] = new RecordingEffect(&log, "e" + std::to_string(i));
        EXPECT_EQ(list.Add(added[i]), 1);
        EXPECT_EQ(list.count, i + 1);
    }
    RecordingEffect ninth(&log, "ninth");
    EXPECT_EQ(list.Add(&ninth), 0);
    EXPECT_EQ(list.count, 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(list.effects[i], added[i]);
    }
    list.DestroyAll();
    EXPECT_EQ(log.deleted, 8);  // the refused one still belongs to the caller
}

TEST(EffectList, NullIsAcceptedAndSkippedByCalls)
{
    CallLog log;
    EffectList list;
    EXPECT_EQ(list.Add(nullptr), 1);
    list.Add(new RecordingEffect(&log, "a"));
    EXPECT_EQ(list.count, 2);
    list.DrawAt(1.0f, 0);
    list.SetTextureAt(5, 0);
    list.DrawOverAt(2.0f, 1, 0);  // empty source entry: overlay with null source
    EXPECT_EQ(log.calls, (std::vector<std::string>{"a.DrawOverNull(2)"}));
    list.DestroyAll();
    EXPECT_EQ(log.deleted, 1);
}

TEST(EffectList, IndexedCallsReachTheRightEffectInArgumentOrder)
{
    CallLog log;
    EffectList list;
    list.Add(new RecordingEffect(&log, "a"));
    list.Add(new RecordingEffect(&log, "b"));
    list.DrawAt(7.0f, 1);
    list.DrawOverAt(3.0f, 1, 0);
    list.SetTexturesAt(4, 9, 0);
    list.SetTextureAt(-1, 1);
    list.SetModelAt(nullptr, 0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"b.Draw(7)", "a.Draw(3)", "b.DrawOver(3)",
                                                   "a.SetTextures(4009)", "b.SetTexture(-1)",
                                                   "a.SetModelNull(0)"}));
    list.DestroyAll();
}

TEST(EffectList, OutOfRangeIndicesDoNothing)
{
    CallLog log;
    EffectList list;
    list.Add(new RecordingEffect(&log, "a"));
    for (int bad : {-1, 8, 100, -100}) {
        list.DrawAt(1.0f, bad);
        list.DrawOverAt(1.0f, bad, 0);
        list.DrawOverAt(1.0f, 0, bad);  // valid overlay, source index out of range
        list.SetTexturesAt(1, 2, bad);
        list.SetTextureAt(1, bad);
        list.SetModelAt(nullptr, bad);
        EXPECT_EQ(list.At(bad), nullptr);
    }
    // In range but not yet filled.
    list.DrawAt(1.0f, 5);
    list.DrawOverAt(1.0f, 5, 0);
    EXPECT_TRUE(log.calls.empty());
    list.DestroyAll();
}

TEST(EffectList, DestroyAllDeletesEachOnceAndKeepsCount)
{
    CallLog log;
    EffectList list;
    for (int i = 0; i < 3; ++i) {
        list.Add(new RecordingEffect(&log, "e"));
    }
    list.DestroyAll();
    EXPECT_EQ(log.deleted, 3);
    EXPECT_EQ(list.count, 3);
    for (Effect* effect : list.effects) {
        EXPECT_EQ(effect, nullptr);
    }
    list.DestroyAll();  // a second pass finds nothing left to delete
    EXPECT_EQ(log.deleted, 3);
}

// Defines only Draw; everything else comes from the base.
class DrawOnlyEffect : public Effect {
public:
    explicit DrawOnlyEffect(CallLog* log) : log_(log) {}
    void Draw(float) override { log_->calls.push_back("own.Draw"); }

private:
    CallLog* log_;
};

TEST(EffectList, BaseDrawOverDrawsNotEvenTheSource)
{
    CallLog log;
    EffectList list;
    list.Add(new DrawOnlyEffect(&log));
    list.Add(new RecordingEffect(&log, "source"));
    list.DrawOverAt(1.0f, 0, 1);
    list.SetTextureAt(3, 0);
    list.SetTexturesAt(1, 2, 0);
    list.SetModelAt(nullptr, 0);
    EXPECT_TRUE(log.calls.empty());
    list.DrawAt(1.0f, 0);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"own.Draw"}));
    list.DestroyAll();
}

}  // namespace
}  // namespace sunvale
