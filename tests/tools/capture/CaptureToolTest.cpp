// sunvale-capture's command line and its single frames: arguments checked
// before any rendering, missing show data refused, the frame at a tick.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CaptureRun.h"
#include "support/ScopedTempDir.h"

namespace {

using sunvale::capturetest::FilesStartingWith;
using sunvale::capturetest::ReadText;
using sunvale::capturetest::RunCapture;

TEST(CaptureTool, RefusesBadArguments)
{
    EXPECT_EQ(RunCapture(""), 2);
    EXPECT_EQ(RunCapture("--tick -1 out.png"), 2);
    EXPECT_EQ(RunCapture("--tick 10 --size 0x10 out.png"), 2);
    EXPECT_EQ(RunCapture("--tick 10 --size 64 out.png"), 2);
    EXPECT_EQ(RunCapture("--tick 10 --fps 0 out.png"), 2);
    EXPECT_EQ(RunCapture("--tick 10 --bogus out.png"), 2);
    EXPECT_EQ(RunCapture("--tick 10 a.png b.png"), 2);
    EXPECT_EQ(RunCapture("--help"), 0);
}

// Every refusal comes before rendering (there is no data.rar in the folder,
// which would be exit 1), is one line naming the program, and leaves no file.
TEST(CaptureTool, RefusesBadVideoAndSheetArgumentsWithOneLine)
{
    const sunvale::testsupport::ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    const std::string errors = dir.File("errors.txt");
    ASSERT_EQ(mkdir(dir.File("out-folder.mp4").c_str(), 0755), 0);
    const char* const cases[] = {
        "",
        "--video",
        "--video out.mp4 --bogus",
        "--video out.mp4 --size 0x10",
        "--video out.mp4 --size -4x4",
        "--video out.mp4 --size 64",
        "--video out.mp4 --size 161x120",
        "--video out.mp4 --fps 0",
        "--video out.mp4 --fps -5",
        "--video out.mp4 --fps 29.97",
        "--video out.mp4 --from -1",
        "--video out.mp4 --from 273.7",
        "--video out.mp4 --to 0",
        "--video out.mp4 --to 273.8",
        "--video out.mp4 --from 5 --to 4",
        "--video out.mp4 --from 5 --to 5",
        "--video out.mp4 --crf 52",
        "--video out.mp4 --every 2",
        "--video out.avi",
        "--video out.mp4 extra.mp4",
        "--video out.mp4 --sheet out.png",
        "--sheet out.png --every 0",
        "--sheet out.png --every -1",
        "--sheet out.png --fps 10 --every 0.05",
        "--sheet out.png --crf 20",
        "--sheet out.png --every 0.02 --size 1000x1000",
        "--sheet out.png --from 100 --to 50",
        "--tick 10 --from 3 out.png",
        "--video missing-folder/out.mp4",
        "--sheet missing-folder/out.png",
        "--tick 10 missing-folder/out.png",
        "--video out-folder.mp4",
    };
    for (const char* arguments : cases) {
        EXPECT_EQ(RunCapture(arguments, dir.Path(), errors), 2) << arguments;
        const std::string text = ReadText(errors);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << arguments << ": " << text;
        EXPECT_EQ(text.rfind("sunvale-capture: ", 0), 0u) << arguments << ": " << text;
    }
    EXPECT_EQ(FilesStartingWith(dir.Path(), "out").size(), 1u);  // out-folder.mp4 itself
}

// Without data.rar the show used to draw white frames from missing textures;
// now the capture stops at once with a reason, and writes nothing.
TEST(CaptureTool, MissingShowDataIsAnError)
{
    const sunvale::testsupport::ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    const std::string errors = dir.File("errors.txt");
    for (const char* arguments : {"--tick 100 out.png", "--sheet out.png --to 8",
                                  "--video out.mkv --to 1", "--timedemo --json out.json"}) {
        EXPECT_EQ(RunCapture(arguments, dir.Path(), errors), 1) << arguments;
        EXPECT_NE(ReadText(errors).find("data.rar"), std::string::npos) << ReadText(errors);
        EXPECT_EQ(FilesStartingWith(dir.Path(), "out").size(), 0u) << arguments;
    }
}

// Scene F's first entry, captured at a small size: the file is a PNG of that
// size with a lit picture between black bars. The frame at 2980 ticks, where
// the opening's entry ends and the tunnel's begins (the timeline's bounds are
// strict, so neither draws), is black.
TEST(CaptureTool, WritesTheFrameAtTheTick)
{
    if (std::FILE* f = std::fopen("data.rar", "rb")) {
        std::fclose(f);
    } else {
        GTEST_SKIP() << "no data.rar in the working directory";
    }
    const sunvale::testsupport::ScopedTempDir dir;
    const std::string path = dir.File("frame.png");
    for (const char* tick : {"10300", "2980"}) {
        ASSERT_EQ(RunCapture(std::string("--tick ") + tick + " --size 96x72 --fps 30 " + path), 0);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
        image.format = PNG_FORMAT_RGB;
        EXPECT_EQ(image.width, 96u);
        EXPECT_EQ(image.height, 72u);
        std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
        auto lit = [&](int firstRow, int lastRow) {
            for (int y = firstRow; y <= lastRow; ++y)
                for (int x = 0; x < 96 * 3; ++x)
                    if (rgb[y * 96 * 3 + x]) return true;
            return false;
        };
        EXPECT_FALSE(lit(0, 11));
        EXPECT_FALSE(lit(60, 71));
        EXPECT_EQ(lit(12, 59), std::string(tick) == "10300") << "tick " << tick;
    }
}

}  // namespace
