#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/ScopedTempDir.h"

namespace {

int RunCapture(const std::string& arguments)
{
    const std::string command = std::string(SUNVALE_CAPTURE) + " " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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
