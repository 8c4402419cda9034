// The show's command line: every option in both GNU spellings, and each kind
// of refusal with its one-line reason.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace sunvale {
namespace {

struct Parsed {
    CommandLineResult result;
    ShowOptions options;
    std::string error;
};

Parsed Parse(std::initializer_list<const char*> args)
{
    std::vector<std::string> storage{"sunvale"};
    for (const char* a : args) storage.emplace_back(a);
    std::vector<char*> argv;
    argv.reserve(storage.size() + 1);
    for (std::string& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    Parsed p;
    p.result =
        ParseCommandLine(static_cast<int>(storage.size()), argv.data(), &p.options, &p.error);
    return p;
}

TEST(CommandLine, NoOptionsLeavesEveryChoiceToTheDialog)
{
    const Parsed p = Parse({});
    EXPECT_EQ(p.result, CommandLineResult::Run);
    EXPECT_EQ(p.options.fullscreen, -1);
    EXPECT_EQ(p.options.mode.pelsWidth, 0u);
    EXPECT_EQ(p.options.mixingRate, 0);
    EXPECT_FALSE(p.options.noDialog);
    EXPECT_TRUE(p.options.dataPath.empty());
}

TEST(CommandLine, HelpAndVersionInLongAndShortForm)
{
    EXPECT_EQ(Parse({"--help"}).result, CommandLineResult::Help);
    EXPECT_EQ(Parse({"-h"}).result, CommandLineResult::Help);
    EXPECT_EQ(Parse({"--version"}).result, CommandLineResult::Version);
    EXPECT_EQ(Parse({"-V"}).result, CommandLineResult::Version);
    // Help wins over the other options wherever it stands.
    EXPECT_EQ(Parse({"--windowed", "--version", "--help"}).result, CommandLineResult::Help);
}

TEST(CommandLine, EveryOptionWithItsValueSeparateOrAfterEquals)
{
    const Parsed a = Parse({"--data", "/srv/show.rar", "--windowed", "--mode", "640x480", "--rate",
                            "22050", "--no-dialog"});
    ASSERT_EQ(a.result, CommandLineResult::Run) << a.error;
    EXPECT_EQ(a.options.dataPath, "/srv/show.rar");
    EXPECT_EQ(a.options.fullscreen, 0);
    EXPECT_EQ(a.options.mode.pelsWidth, 640u);
    EXPECT_EQ(a.options.mode.pelsHeight, 480u);
    EXPECT_EQ(a.options.mode.bitsPerPel, 0u);
    EXPECT_EQ(a.options.mixingRate, 22050);
    EXPECT_TRUE(a.options.noDialog);

    const Parsed b = Parse({"--data=x.rar", "--fullscreen", "--mode=1024x768x24", "--rate=16000"});
    ASSERT_EQ(b.result, CommandLineResult::Run) << b.error;
    EXPECT_EQ(b.options.dataPath, "x.rar");
    EXPECT_EQ(b.options.fullscreen, 1);
    EXPECT_EQ(b.options.mode.pelsWidth, 1024u);
    EXPECT_EQ(b.options.mode.pelsHeight, 768u);
    EXPECT_EQ(b.options.mode.bitsPerPel, 24u);
    EXPECT_EQ(b.options.mixingRate, 16000);
    EXPECT_FALSE(b.options.noDialog);
}

TEST(CommandLine, LaterScreenOptionWins)
{
    EXPECT_EQ(Parse({"--fullscreen", "--windowed"}).options.fullscreen, 0);
    EXPECT_EQ(Parse({"--windowed", "--fullscreen"}).options.fullscreen, 1);
}

TEST(CommandLine, ParsingTwiceInOneProcessStartsAfresh)
{
    ASSERT_EQ(Parse({"--bogus"}).result, CommandLineResult::Error);
    const Parsed p = Parse({"--rate", "44100"});
    EXPECT_EQ(p.result, CommandLineResult::Run) << p.error;
    EXPECT_EQ(p.options.mixingRate, 44100);
}

TEST(CommandLine, RefusalsNameTheOffendingOptionOrValue)
{
    struct Case {
        std::initializer_list<const char*> args;
        const char* errorPart;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"--bogus=1"}, "unknown option '--bogus'"},
        {{"-x"}, "unknown option '-x'"},
        {{"--help=yes"}, "option '--help' takes no value"},
        {{"--no-dialog=1"}, "option '--no-dialog' takes no value"},
        {{"--mode"}, "option '--mode' needs a value"},
        {{"--rate"}, "option '--rate' needs a value"},
        {{"--data"}, "option '--data' needs a value"},
        {{"--data="}, "--data needs a file name"},
        {{"--rate", "48000"}, "invalid --rate '48000'"},
        {{"--rate", "44100Hz"}, "invalid --rate '44100Hz'"},
        {{"--rate", ""}, "invalid --rate ''"},
        {{"--mode", "640"}, "invalid --mode '640'"},
        {{"--mode", "640x"}, "invalid --mode '640x'"},
        {{"--mode", "x480"}, "invalid --mode 'x480'"},
        {{"--mode", "0x480"}, "invalid --mode '0x480'"},
        {{"--mode", "640x0"}, "invalid --mode '640x0'"},
        {{"--mode", "-640x480"}, "invalid --mode '-640x480'"},
        {{"--mode", "640x480x8"}, "invalid --mode '640x480x8'"},
        {{"--mode", "640x480x32x1"}, "invalid --mode '640x480x32x1'"},
        {{"--mode", "640X480"}, "invalid --mode '640X480'"},
        {{"--mode", "99999x480"}, "invalid --mode '99999x480'"},
        {{"--mode", "99999999999999999999x480"}, "invalid --mode"},
        {{"play"}, "unexpected argument 'play'"},
        {{"--windowed", "extra"}, "unexpected argument 'extra'"},
    };
    for (const Case& c : cases) {
        const Parsed p = Parse(c.args);
        EXPECT_EQ(p.result, CommandLineResult::Error) << *c.args.begin();
        EXPECT_NE(p.error.find(c.errorPart), std::string::npos)
            << "got '" << p.error << "' for " << *c.args.begin();
        EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
    }
}

TEST(CommandLine, ModeTextBoundsAndDepths)
{
    DisplayMode mode;
    ASSERT_TRUE(ParseModeText("1x1", &mode));
    EXPECT_EQ(mode.pelsWidth, 1u);
    ASSERT_TRUE(ParseModeText("16384x16384x16", &mode));
    EXPECT_EQ(mode.pelsHeight, 16384u);
    EXPECT_EQ(mode.bitsPerPel, 16u);
    EXPECT_FALSE(ParseModeText("16385x100", &mode));
    EXPECT_FALSE(ParseModeText("640x480x", &mode));
    EXPECT_FALSE(ParseModeText(" 640x480", &mode));
    EXPECT_FALSE(ParseModeText("+640x480", &mode));
}

}  // namespace
}  // namespace sunvale
