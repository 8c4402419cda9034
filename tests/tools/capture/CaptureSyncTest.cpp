// Picture and sound in sync by construction: with music that is silence and
// one click, the click sounds when the video shows the frame of its time.
// The archive holds only the music (the scenes draw untextured), made with
// our MP3 test encoder and packer.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "CaptureRun.h"
#include "TestAudio.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"
#include "support/ScopedTempDir.h"

namespace {

using namespace sunvale::capturetest;

constexpr int kRate = 44100;     // Hz
constexpr int kAacFrame = 1024;  // samples per AAC frame

// Three seconds of silence with a 2 ms burst at full scale starting at
// clickSecond.
std::vector<int16_t> SilenceWithClick(double clickSecond)
{
    std::vector<int16_t> stereo(size_t(3 * kRate) * 2, 0);
    const size_t start = size_t(std::lround(clickSecond * kRate));
    for (size_t i = start; i < start + kRate / 500; ++i)
        stereo[2 * i] = stereo[2 * i + 1] = (i - start) % 2 ? 30000 : -30000;
    return stereo;
}

// Index of the loudest sample of the left channel.
size_t LoudestFrame(const std::vector<int16_t>& stereo)
{
    size_t best = 0;
    for (size_t i = 0; i < stereo.size() / 2; ++i)
        if (std::abs(stereo[2 * i]) > std::abs(stereo[2 * best])) best = i;
    return best;
}

double StartTime(const std::string& file, const std::string& stream)
{
    return std::atof(ProbeStream(file, stream)["start_time"].c_str());
}

TEST(CaptureSync, ClickSoundsWithTheFrameOfItsTime)
{
    if (!HaveFfmpegTools()) GTEST_SKIP() << "no ffprobe";
    const sunvale::testsupport::ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    constexpr double kClick = 1.5;  // seconds: frame 90
    const std::vector<unsigned char> mp3 =
        sunvale::testaudio::EncodeMp3(SilenceWithClick(kClick), kRate);
    ASSERT_FALSE(mp3.empty());
    std::string error;
    ASSERT_TRUE(sunvale::WriteRarArchive(dir.File("data.rar").c_str(),
                                         {{"data/music/marmalux.mp3", {mp3.begin(), mp3.end()}, 0}},
                                         sunvale::RarPackOptions{}, &error))
        << error;

    const std::string errors = dir.File("errors.txt");
    for (const char* name : {"sync.mkv", "sync.mp4"}) {
        const std::string video = dir.File(name);
        const int status =
            RunCapture("--video " + video + " --size 64x48 --from 1 --to 2", dir.Path(), errors);
        if (ReadText(errors).find("no offscreen OpenGL") != std::string::npos) {
            const char* ci = std::getenv("CI");
            if (ci && (std::string(ci) == "true" || std::string(ci) == "1"))
                FAIL() << ReadText(errors);
            GTEST_SKIP() << ReadText(errors);
        }
        ASSERT_EQ(status, 0) << ReadText(errors);
        const std::vector<uint8_t> bytes =
            ReadCommand("ffmpeg -v error -i '" + video + "' -map 0:a:0 -f s16le -ac 2 pipe:1");
        std::vector<int16_t> samples(bytes.size() / 2);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
        ASSERT_GT(samples.size(), size_t(kRate));
        const size_t click = LoudestFrame(samples);
        EXPECT_GT(std::abs(samples[2 * click]), 10000) << name;
        // Presentation times: the click's sample and the frame of 1.5 s
        // (the 30th after --from), each from its own stream's start.
        const double heard = StartTime(video, "a:0") + double(click) / kRate;
        const double seen = StartTime(video, "v:0") + (kClick - 1.0);
        EXPECT_NEAR(heard, seen, double(kAacFrame) / kRate) << name;
    }
}

}  // namespace
