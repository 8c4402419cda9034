// Videos from sunvale-capture, checked with FFmpeg's own command-line tools:
// stream layout, the first picture against the single-frame path, a failure
// half-way and an ended run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "CaptureRun.h"
#include "support/ScopedTempDir.h"

namespace {

using namespace sunvale::capturetest;

constexpr int kRate = 44100;     // Hz of the show's music and of the AAC stream
constexpr int kAacFrame = 1024;  // samples per AAC frame
constexpr int kFrom = 6;         // seconds: the opening, lit and moving
constexpr int kFps = 60;

// Skips (or fails under CI) when the tool had no OpenGL context.
#define SKIP_WITHOUT_CONTEXT(errorFile)                                             \
    do {                                                                            \
        if (ReadText(errorFile).find("no offscreen OpenGL") != std::string::npos) { \
            const char* ci = std::getenv("CI");                                     \
            if (ci && (std::string(ci) == "true" || std::string(ci) == "1"))        \
                FAIL() << ReadText(errorFile);                                      \
            GTEST_SKIP() << ReadText(errorFile);                                    \
        }                                                                           \
    } while (0)

// The tick of frame `frame` as the capture's clock gives it, printed so that
// --tick parses back to the same float.
std::string TickOfFrame(int frame)
{
    const float ticks = static_cast<float>(frame * (1000.0 / kFps) / 17.0);
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(ticks));
    return text;
}

std::vector<uint8_t> FirstVideoFrameRgb(const std::string& file)
{
    return ReadCommand("ffmpeg -v error -i '" + file +
                       "' -frames:v 1 -f rawvideo -pix_fmt rgb24 pipe:1");
}

// 16-bit stereo samples of the first audio stream as a player gets them
// (encoder priming dropped where the container says so).
std::vector<int16_t> AudioSamples(const std::string& file)
{
    const std::vector<uint8_t> bytes =
        ReadCommand("ffmpeg -v error -i '" + file + "' -map 0:a:0 -f s16le -ac 2 pipe:1");
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return samples;
}

struct Difference {
    double mean = 0;            // mean absolute difference per channel
    double fractionOver16 = 0;  // share of channel values off by more than 16
};

Difference Compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    Difference d;
    if (a.size() != b.size() || a.empty()) return {255, 1};
    size_t over = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const int delta = std::abs(int(a[i]) - int(b[i]));
        d.mean += delta;
        over += delta > 16;
    }
    d.mean /= double(a.size());
    d.fractionOver16 = double(over) / double(a.size());
    return d;
}

// A lossless H.264 encode (--crf 0) leaves only the 4:2:0 conversion: one
// chroma sample per 2x2 pixels blurs colour edges by a pixel (single values
// off by up to about 50 there), and the 8-bit limited-range Y'CbCr round trip
// costs one or two levels everywhere. Measured: mean 1.6, 0.8 % of values off
// by more than 16. The previous frame of the show, against the same PNG, is
// off by a mean of 5 with 8 % over 16, so the bounds tell frames apart.
bool SamePicture(const Difference& d) { return d.mean < 2.5 && d.fractionOver16 < 0.02; }

TEST(CaptureVideo, TwoSecondsHaveTheirFramesRateDurationAudioAndFirstPicture)
{
    if (!HaveShowData()) GTEST_SKIP() << "no data.rar in the working directory";
    if (!HaveFfmpegTools()) GTEST_SKIP() << "no ffprobe";
    const sunvale::testsupport::ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    const std::string video = dir.File("two.mp4"), errors = dir.File("errors.txt");
    const int status =
        RunCapture("--video " + video + " --size 160x120 --from " + std::to_string(kFrom) +
                       " --to " + std::to_string(kFrom + 2) + " --crf 0",
                   ".", errors);
    SKIP_WITHOUT_CONTEXT(errors);
    ASSERT_EQ(status, 0) << ReadText(errors);
    EXPECT_TRUE(FilesStartingWith(dir.Path(), "two.mp4.part").empty());

    auto v = ProbeStream(video, "v:0");
    EXPECT_EQ(v["codec_name"], "h264");
    EXPECT_EQ(v["pix_fmt"], "yuv420p");
    EXPECT_EQ(v["width"], "160");
    EXPECT_EQ(v["height"], "120");
    EXPECT_EQ(v["r_frame_rate"], "60/1");
    EXPECT_EQ(v["nb_read_frames"], "120");
    EXPECT_NEAR(std::atof(v["duration"].c_str()), 2.0, 1e-6);
    auto a = ProbeStream(video, "a:0");
    EXPECT_EQ(a["codec_name"], "aac");
    EXPECT_EQ(a["sample_rate"], "44100");
    const std::vector<int16_t> samples = AudioSamples(video);
    EXPECT_NEAR(double(samples.size() / 2), 2.0 * kRate, kAacFrame);

    // The first picture is the frame at --from as the single-frame path draws
    // it, with every frame before it at full size.
    const int first = kFrom * kFps;
    const std::string png = dir.File("first.png"), earlier = dir.File("earlier.png");
    ASSERT_EQ(RunCapture("--tick " + TickOfFrame(first) + " --size 160x120 --fps 60 " + png), 0);
    ASSERT_EQ(
        RunCapture("--tick " + TickOfFrame(first - 1) + " --size 160x120 --fps 60 " + earlier), 0);
    RgbImage at, before;
    ASSERT_TRUE(ReadPng(png, &at));
    ASSERT_TRUE(ReadPng(earlier, &before));
    const std::vector<uint8_t> decoded = FirstVideoFrameRgb(video);
    ASSERT_EQ(decoded.size(), at.rgb.size());
    const Difference same = Compare(decoded, at.rgb);
    const Difference previous = Compare(before.rgb, at.rgb);
    EXPECT_TRUE(SamePicture(same)) << same.mean << " " << same.fractionOver16;
    EXPECT_FALSE(SamePicture(previous)) << previous.mean << " " << previous.fractionOver16;
}

// A file size limit makes a write fail after some frames: the tool reports
// it, and neither the requested name nor its temporary file is left.
TEST(CaptureVideo, FailureHalfWayLeavesNoFile)
{
    if (!HaveShowData()) GTEST_SKIP() << "no data.rar in the working directory";
    const sunvale::testsupport::ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    const std::string video = dir.File("cut.mp4"), errors = dir.File("errors.txt");
    const int status =
        RunShell("ulimit -f 100 && " + std::string(SUNVALE_CAPTURE) + " --video " + video +
                 " --size 160x120 --from " + std::to_string(kFrom) + " --to " +
                 std::to_string(kFrom + 4) + " --crf 0 >/dev/null 2>" + errors);
    SKIP_WITHOUT_CONTEXT(errors);
    EXPECT_EQ(status, 1) << ReadText(errors);
    EXPECT_NE(ReadText(errors).find("cannot write"), std::string::npos) << ReadText(errors);
    EXPECT_TRUE(FilesStartingWith(dir.Path(), "cut.mp4").empty());
}

// SIGTERM in the middle of a whole-show capture: exit 143 and a complete
// Matroska file of the frames captured so far, sound included.
TEST(CaptureVideo, TerminatedCaptureKeepsAPlayableFile)
{
    if (!HaveShowData()) GTEST_SKIP() << "no data.rar in the working directory";
    if (!HaveFfmpegTools()) GTEST_SKIP() << "no ffprobe";
    const sunvale::testsupport::ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    const std::string video = dir.File("ended.mkv"), errors = dir.File("errors.txt");
    // Waits until frame 100 or later is drawn (40 encoded after --from 1),
    // then sends SIGTERM to the tool itself and reports its exit status.
    const std::string script = std::string(SUNVALE_CAPTURE) + " --video " + video +
                               " --size 64x48 --from 1 >/dev/null 2>" + errors +
                               " & pid=$!; i=0; while ! grep -q 'frame [0-9][0-9][0-9][0-9]*/' " +
                               errors + " && [ $i -lt 3000 ]; do sleep 0.1; i=$((i+1)); done; " +
                               "kill -TERM $pid; wait $pid";
    const int status = RunShell(script);
    SKIP_WITHOUT_CONTEXT(errors);
    ASSERT_EQ(status, 143) << ReadText(errors);
    EXPECT_TRUE(FilesStartingWith(dir.Path(), "ended.mkv.part").empty());
    auto v = ProbeStream(video, "v:0");
    const int frames = std::atoi(v["nb_read_frames"].c_str());
    EXPECT_GE(frames, 40);
    EXPECT_LT(frames, 272 * kFps);
    const std::vector<int16_t> samples = AudioSamples(video);
    // The Matroska stream keeps the AAC encoder's priming frame.
    EXPECT_NEAR(double(samples.size() / 2), double(frames) * kRate / kFps, 2 * kAacFrame);
}

}  // namespace
