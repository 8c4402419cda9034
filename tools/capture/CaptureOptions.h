// Command line of sunvale-capture: one mode (a frame, a video, a contact
// sheet, the timedemo) and one set of options that the modes share. Parsing checks every
// value and the combinations; anything wrong is one line of text and exit
// status 2.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace sunvale {
namespace capture {

enum class CaptureMode { None, Frame, Video, Sheet, Timedemo };

enum class ParseResult { Run, Help, Bad };

// Show length in seconds (16100 ticks of 17 ms).
constexpr double kShowSeconds = 273.7;

struct CaptureOptions {
    CaptureMode mode = CaptureMode::None;
    std::string output;  // PNG, MP4 or MKV file; Timedemo: the JSON file or empty
    int width = 0;       // 0: the mode's default size
    int height = 0;
    double fps = 60.0;   // frames per second of show time
    double tick = 0.0;   // Frame: the tick to write
    double music = 0.0;  // Frame: fixed music position (seconds) when fixedMusic
    bool fixedMusic = false;
    double from = 0.0;         // Video, Sheet: first second of show time
    double to = kShowSeconds;  // Video, Sheet: end (exclusive), seconds
    int crf = 18;              // Video: constant rate factor, 0 (lossless) to 51
    double every = 4.0;        // Sheet: seconds between cells
};

// Fills options from argv. On Bad, error holds one line without the program
// name.
ParseResult ParseCaptureOptions(int argc, char** argv, CaptureOptions* options, std::string* error);

void PrintUsage(std::FILE* out);

// Index of the first frame at or after `seconds` at `fps` frames per second.
// A product within 1e-6 of a whole number counts as that number, so that
// 10.2 s at 60 fps is frame 612 whatever the binary rounding of 10.2.
int64_t FrameAtOrAfter(double seconds, double fps);

}  // namespace capture
}  // namespace sunvale
