// Contact sheets: cells in their grid, a frame inside scene F lit, the frame
// at 0 s (outside every timeline entry: they start strictly after it) black.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "CaptureRun.h"
#include "support/ScopedTempDir.h"

namespace {

using namespace sunvale::capturetest;

// The tick of frame `frame` at fps, printed so that --tick reads back the
// same float as the capture's clock gives.
std::string TickOfFrame(int frame, int fps)
{
    const float ticks = static_cast<float>(frame * (1000.0 / fps) / 17.0);
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(ticks));
    return text;
}

constexpr int kGap = 4;          // pixels around and between cells
constexpr int kBackground = 32;  // grey level between cells
constexpr int kCellWidth = 64;
constexpr int kCellHeight = 48;
constexpr int kLabelHeight = 7 + kGap;  // 5x7 digits at scale 1 under each frame

// Runs of pure black along row y, each at least minLength wide.
int BlackRuns(const RgbImage& image, int y, int minLength)
{
    int runs = 0, length = 0;
    for (int x = 0; x <= image.width; ++x) {
        const bool black = x < image.width && image.At(x, y)[0] == 0 && image.At(x, y)[1] == 0 &&
                           image.At(x, y)[2] == 0;
        if (black) {
            ++length;
        } else {
            runs += length >= minLength;
            length = 0;
        }
    }
    return runs;
}

// Any channel above 0 in rows [top, bottom) of the cell at x.
bool Lit(const RgbImage& image, int x, int top, int bottom)
{
    for (int y = top; y < bottom; ++y)
        for (int i = 0; i < kCellWidth; ++i)
            for (int c = 0; c < 3; ++c)
                if (image.At(x + i, y)[c] != 0) return true;
    return false;
}

TEST(CaptureSheet, CellsInAGridWithSceneFLitAndTheStartBlack)
{
    if (!HaveShowData()) GTEST_SKIP() << "no data.rar in the working directory";
    const sunvale::testsupport::ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    const std::string sheet = dir.File("sheet.png"), errors = dir.File("errors.txt");
    // Cells at 0, 58.4, 116.8 and 175.2 s; 175.2 s is 10305.9 ticks, inside
    // scene F's first entry (10260 to 10361.25). Ten frames a second keep
    // the run short.
    const int status = RunCapture(
        "--sheet " + sheet + " --every 58.4 --fps 10 --to 176 --size 64x48", ".", errors);
    if (ReadText(errors).find("no offscreen OpenGL") != std::string::npos) {
        const char* ci = std::getenv("CI");
        if (ci && (std::string(ci) == "true" || std::string(ci) == "1")) FAIL() << ReadText(errors);
        GTEST_SKIP() << ReadText(errors);
    }
    ASSERT_EQ(status, 0) << ReadText(errors);
    RgbImage image;
    ASSERT_TRUE(ReadPng(sheet, &image));
    // Four cells fit one row.
    EXPECT_EQ(image.width, kGap + 4 * (kCellWidth + kGap));
    EXPECT_EQ(image.height, kGap + kCellHeight + kLabelHeight + kGap);
    const uint8_t* corner = image.At(0, 0);
    EXPECT_EQ(corner[0], kBackground);
    // Every frame has black letterbox bars at its top: one run per cell.
    EXPECT_EQ(BlackRuns(image, kGap + 1, kCellWidth), 4);
    EXPECT_EQ(BlackRuns(image, kGap + kCellHeight - 2, kCellWidth), 4);
    auto cellX = [](int i) { return kGap + i * (kCellWidth + kGap); };
    EXPECT_FALSE(Lit(image, cellX(0), kGap, kGap + kCellHeight));
    EXPECT_TRUE(Lit(image, cellX(3), kGap + 12, kGap + kCellHeight - 12));
    // Cell 3 is the picture the single-frame path draws at its time (frame
    // 1752 at 10 fps), pixel for pixel: the frames drawn small in between,
    // and the full-size cells before it, leave nothing behind.
    const std::string png = dir.File("cell.png");
    ASSERT_EQ(RunCapture("--tick " + TickOfFrame(1752, 10) + " --size 64x48 --fps 10 " + png), 0);
    RgbImage single;
    ASSERT_TRUE(ReadPng(png, &single));
    ASSERT_EQ(single.width, kCellWidth);
    int differing = 0;
    for (int y = 0; y < kCellHeight; ++y)
        for (int x = 0; x < kCellWidth; ++x)
            for (int c = 0; c < 3; ++c)
                differing += single.At(x, y)[c] != image.At(cellX(3) + x, kGap + y)[c];
    EXPECT_EQ(differing, 0);
    // Each label has ink under its frame.
    for (int i = 0; i < 4; ++i) {
        bool ink = false;
        for (int y = kGap + kCellHeight; y < kGap + kCellHeight + kLabelHeight; ++y)
            for (int x = cellX(i); x < cellX(i) + kCellWidth; ++x) ink |= image.At(x, y)[0] > 200;
        EXPECT_TRUE(ink) << "cell " << i;
    }
}

}  // namespace
