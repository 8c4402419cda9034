// The configuration dialog's video-mode filter on injected mode lists, its
// preselection and texts, and the path taken when no display exists.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/ConfigDialog.h"

namespace sunvale {
namespace {

DisplayMode Mode(uint32_t width, uint32_t height, uint32_t bits, uint32_t hz = 60)
{
    DisplayMode mode;
    mode.pelsWidth = width;
    mode.pelsHeight = height;
    mode.bitsPerPel = bits;
    mode.displayFrequency = hz;
    return mode;
}

std::vector<std::string> Texts(const ConfigDialog& dialog)
{
    std::vector<std::string> texts;
    for (int i = 0; i < dialog.modeCount; ++i)
        texts.push_back(ConfigDialog::ModeText(dialog.modes[i]));
    return texts;
}

void Enumerate(ConfigDialog& dialog, const std::vector<DisplayMode>& list)
{
    dialog.EnumerateModesFrom(list.data(), static_cast<int>(list.size()));
}

TEST(ConfigDialog, ConstructedWithAllFieldsZero)
{
    ConfigDialog dialog;
    EXPECT_EQ(dialog.fullscreen, 0);
    EXPECT_EQ(dialog.mixingRate, 0);
    EXPECT_EQ(dialog.modeCount, 0);
    EXPECT_EQ(dialog.chosenMode.pelsWidth, 0u);
    EXPECT_EQ(dialog.chosenMode.pelsHeight, 0u);
    EXPECT_EQ(dialog.chosenMode.bitsPerPel, 0u);
    for (const DisplayMode& mode : dialog.modes)
        ASSERT_EQ(mode.pelsWidth | mode.pelsHeight | mode.bitsPerPel, 0u);
}

TEST(ConfigDialog, CaptionIsConfigrationAndDerivedClassesReplaceIt)
{
    struct Titled : ConfigDialog {
        const char* GetDialogTitle() const override { return "Zentrope - Configration"; }
    };
    ConfigDialog plain;
    Titled titled;
    const ConfigDialog& base = titled;
    EXPECT_STREQ(plain.GetDialogTitle(), "Configration");
    EXPECT_STREQ(base.GetDialogTitle(), "Zentrope - Configration");
}

TEST(ConfigDialog, ModeTextIsWidthHeightBits)
{
    EXPECT_EQ(ConfigDialog::ModeText(Mode(800, 600, 32)), "800x600x32bit");
    EXPECT_EQ(ConfigDialog::ModeText(Mode(1280, 960, 24)), "1280x960x24bit");
}

TEST(ConfigDialog, RefreshRatesAndDepthsOfOneSizeListedOnceAt32Bits)
{
    ConfigDialog dialog;
    Enumerate(dialog, {Mode(1024, 768, 16, 60), Mode(1024, 768, 32, 60), Mode(1024, 768, 16, 75),
                       Mode(1024, 768, 32, 75), Mode(1024, 768, 16, 85), Mode(1024, 768, 32, 85)});
    ASSERT_EQ(Texts(dialog), std::vector<std::string>{"1024x768x32bit"});
    EXPECT_EQ(dialog.modes[0].displayFrequency, 60u);  // the first enumerated record stays
}

TEST(ConfigDialog, OnlyModesNearFourToThreeAreListed)
{
    ConfigDialog dialog;
    Enumerate(dialog, {Mode(1280, 1024, 32), Mode(1280, 720, 32), Mode(1280, 960, 32),
                       Mode(1920, 1080, 32), Mode(1600, 1200, 32)});
    EXPECT_EQ(Texts(dialog), (std::vector<std::string>{"1280x960x32bit", "1600x1200x32bit"}));
}

TEST(ConfigDialog, AspectBoundsAreTheSinglePrecisionValues)
{
    // 1.29999996 lies between float(1.3) and 1.3; 1.34000003 between 1.34
    // and float(1.34). Both pass; the next step outward does not.
    ConfigDialog dialog;
    Enumerate(dialog, {Mode(32499999, 25000000, 32), Mode(25999999, 20000000, 32),
                       Mode(134000003, 100000000, 32), Mode(134000004, 100000000, 32),
                       Mode(1300, 1000, 32), Mode(1340, 1000, 32)});
    EXPECT_EQ(Texts(dialog),
              (std::vector<std::string>{"32499999x25000000x32bit", "134000003x100000000x32bit",
                                        "1300x1000x32bit", "1340x1000x32bit"}));
}

TEST(ConfigDialog, SmallAndLowDepthModesAreLeftOut)
{
    ConfigDialog dialog;
    Enumerate(dialog,
              {Mode(512, 384, 32), Mode(640, 480, 16), Mode(640, 480, 8), Mode(640, 480, 24),
               Mode(639, 480, 32), Mode(640, 479, 32), Mode(640, 480, 32), Mode(0, 0, 32)});
    EXPECT_EQ(Texts(dialog), (std::vector<std::string>{"640x480x24bit", "640x480x32bit"}));
}

TEST(ConfigDialog, ListHoldsAtMost256Modes)
{
    std::vector<DisplayMode> list;
    for (uint32_t i = 0; i < 300; ++i) list.push_back(Mode(640 + 4 * i, 480 + 3 * i, 32));
    ConfigDialog dialog;
    Enumerate(dialog, list);
    ASSERT_EQ(dialog.modeCount, ConfigDialog::kMaxModes);
    EXPECT_EQ(dialog.modes[255].pelsWidth, 640u + 4 * 255);
    for (int i = 0; i < dialog.modeCount; ++i) ASSERT_NE(dialog.modes[i].pelsWidth, 640u + 4 * 256);
}

TEST(ConfigDialog, NewEnumerationReplacesTheOldList)
{
    ConfigDialog dialog;
    Enumerate(dialog, {Mode(640, 480, 32), Mode(800, 600, 32), Mode(1024, 768, 32)});
    Enumerate(dialog, {Mode(1280, 960, 32)});
    ASSERT_EQ(dialog.modeCount, 1);
    EXPECT_EQ(dialog.modes[1].pelsWidth, 0u);
    EXPECT_EQ(dialog.modes[2].pelsWidth, 0u);
}

TEST(ConfigDialog, Preselects800x600At32BitsWherePresent)
{
    ConfigDialog dialog;
    Enumerate(dialog,
              {Mode(640, 480, 32), Mode(800, 600, 24), Mode(800, 600, 32), Mode(1024, 768, 32)});
    EXPECT_EQ(dialog.PreselectedModeIndex(), 2);

    Enumerate(dialog, {Mode(1024, 768, 32), Mode(800, 600, 24), Mode(1280, 960, 32)});
    EXPECT_EQ(dialog.PreselectedModeIndex(), 0);
}

TEST(ConfigDialog, WithoutAnyUsableMode800x600At32BitsIsOffered)
{
    ConfigDialog dialog;
    dialog.EnumerateModesFrom(nullptr, 0);
    ASSERT_EQ(Texts(dialog), std::vector<std::string>{"800x600x32bit"});
    EXPECT_EQ(dialog.PreselectedModeIndex(), 0);

    Enumerate(dialog, {Mode(1920, 1080, 32), Mode(1024, 768, 16), Mode(320, 240, 32)});
    EXPECT_EQ(Texts(dialog), std::vector<std::string>{"800x600x32bit"});
}

TEST(ConfigDialog, InitialModeMatchesAListedSizeAtAnyDepthWhenLeftOpen)
{
    ConfigDialog dialog;
    Enumerate(dialog, {Mode(640, 480, 32), Mode(800, 600, 32), Mode(1024, 768, 24)});
    dialog.initialMode = Mode(1024, 768, 0, 0);
    EXPECT_EQ(dialog.InitialModeIndex(), 2);
    dialog.initialMode = Mode(1024, 768, 32, 0);
    EXPECT_EQ(dialog.InitialModeIndex(), 3);  // a 32-bit entry is added
    EXPECT_EQ(dialog.modeCount, 4);
    EXPECT_EQ(ConfigDialog::ModeText(dialog.modes[3]), "1024x768x32bit");
    EXPECT_EQ(dialog.InitialModeIndex(), 3);  // and found, not added again
    EXPECT_EQ(dialog.modeCount, 4);
}

TEST(ConfigDialog, InitialModeNotListedIsAddedAt32BitsAndFullListKeepsTheDefault)
{
    ConfigDialog dialog;
    Enumerate(dialog, {Mode(1024, 768, 32), Mode(800, 600, 32)});
    dialog.initialMode = Mode(640, 360, 0, 0);
    ASSERT_EQ(dialog.InitialModeIndex(), 2);
    EXPECT_EQ(ConfigDialog::ModeText(dialog.modes[2]), "640x360x32bit");

    std::vector<DisplayMode> many;
    for (uint32_t i = 0; i < 300; ++i) many.push_back(Mode(640 + 4 * i, 480 + 3 * i, 32));
    Enumerate(dialog, many);
    ASSERT_EQ(dialog.modeCount, ConfigDialog::kMaxModes);
    EXPECT_EQ(dialog.InitialModeIndex(), dialog.PreselectedModeIndex());
    EXPECT_EQ(dialog.modeCount, ConfigDialog::kMaxModes);
}

TEST(ConfigDialog, InitialChoicesWithoutDisplayAreTheDialogDefaultsOrTheGivenOnes)
{
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    ConfigDialog defaults;
    testing::internal::CaptureStderr();
    defaults.ChooseInitialChoices();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(defaults.fullscreen, 1);
    EXPECT_EQ(defaults.mixingRate, 44100);
    EXPECT_EQ(ConfigDialog::ModeText(defaults.chosenMode), "800x600x32bit");

    ConfigDialog given;
    given.initialFullscreen = 0;
    given.initialMode = Mode(640, 480, 16, 0);
    given.initialRate = 16000;
    testing::internal::CaptureStderr();
    given.ChooseInitialChoices();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(given.fullscreen, 0);
    EXPECT_EQ(given.mixingRate, 16000);
    EXPECT_EQ(ConfigDialog::ModeText(given.chosenMode), "640x480x16bit");
}

TEST(ConfigDialog, WithoutDisplayShowReturnsZeroWithAMessage)
{
    // Nothing else in this program touches GTK, so it sees no display.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    ConfigDialog dialog;
    testing::internal::CaptureStderr();
    int result = dialog.Show(nullptr);
    std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, 0);
    EXPECT_NE(message.find("no display"), std::string::npos) << message;
    EXPECT_EQ(dialog.fullscreen, 0);
    EXPECT_EQ(dialog.mixingRate, 0);
    EXPECT_EQ(dialog.chosenMode.pelsWidth, 0u);
}

}  // namespace
}  // namespace sunvale
