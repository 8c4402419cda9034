// The effect list: capacity, ownership, and the indexed calls' targets,
// argument order and range checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "effects/EffectList.h"

namespace sunvale {
namespace {

using Calls = std::vector<std::string>;

// Notes every call, its deletion included, as "name.Call value" in a log.
class Recorder : public Effect {
public:
    Recorder(Calls* log, std::string name) : log_(log), name_(std::move(name)) {}
    ~Recorder() override { Note("Deleted", 0); }
    void Draw(float t) override { Note("Draw", t); }
    void DrawOver(float t, Effect* source) override
    {
        if (source != nullptr) source->Draw(t);
        Note(source != nullptr ? "DrawOver" : "DrawOverNull", t);
    }
    void SetTextures(int32_t a, int32_t b) override { Note("SetTextures", a * 1000.0f + b); }
    void SetTexture(int32_t texture) override { Note("SetTexture", texture); }
    void SetModel(Model* model) override { Note(model ? "SetModel" : "SetModelNull", 0); }

private:
    void Note(const char* what, float v)
    {
        log_->push_back(name_ + "." + what + " " + std::to_string(static_cast<int>(v)));
    }
    Calls* log_;
    std::string name_;
};

TEST(EffectList, NinthAddIsRefusedAndDestroyAllDeletesEachOnce)
{
    Calls log;
    EffectList list;
    Effect* added[8];
    for (Effect*& effect : added) EXPECT_EQ(list.Add(effect = new Recorder(&log, "e")), 1);
    Recorder ninth(&log, "ninth");  // stays with the caller
    EXPECT_EQ(list.Add(&ninth), 0);
    EXPECT_EQ(list.count, 8);
    EXPECT_TRUE(std::equal(added, added + 8, list.effects));
    list.DestroyAll();
    list.DestroyAll();  // finds nothing left
    EXPECT_EQ(log, Calls(8, "e.Deleted 0"));
    EXPECT_EQ(list.count, 8);
    EXPECT_EQ(std::count(list.effects, list.effects + 8, nullptr), 8);
}

TEST(EffectList, IndexedCallsReachTheirEntryInArgumentOrderAndSkipTheRest)
{
    Calls log;
    EffectList list;
    list.Add(new Recorder(&log, "a"));
    list.Add(new Recorder(&log, "b"));
    EXPECT_EQ(list.Add(nullptr), 1);
    for (int bad : {-1, 8, 100, -100}) {  // out of range: nothing
        list.DrawAt(1, bad);
        list.DrawOverAt(1, bad, 0);
        list.DrawOverAt(1, 0, bad);
        list.SetTexturesAt(1, 2, bad);
        list.SetTextureAt(1, bad);
        list.SetModelAt(nullptr, bad);
        EXPECT_EQ(list.At(bad), nullptr);
    }
    list.DrawAt(1, 2);  // empty entries: nothing
    list.SetTextureAt(5, 2);
    list.DrawOverAt(1, 5, 0);
    list.DrawAt(7, 1);
    list.DrawOverAt(3, 1, 0);
    list.DrawOverAt(2, 0, 2);  // empty source entry: null source
    list.SetTexturesAt(4, 9, 0);
    list.SetTextureAt(-1, 1);
    list.SetModelAt(nullptr, 0);
    list.DestroyAll();
    EXPECT_EQ(log, (Calls{"b.Draw 7", "a.Draw 3", "b.DrawOver 3", "a.DrawOverNull 2",
                          "a.SetTextures 4009", "b.SetTexture -1", "a.SetModelNull 0",
                          "a.Deleted 0", "b.Deleted 0"}));
}

}  // namespace
}  // namespace sunvale
