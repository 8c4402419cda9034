// A one-line progress bar on standard error, redrawn in place:
//   [##########----------]  50%  frame 8211/16422  0:41 elapsed  0:41 left
// The estimate assumes the frames still to come cost what the recent ones
// did (a rate averaged over about the last five seconds: skipped frames are
// much cheaper than captured ones). Redrawn at most ten times a second, and
// once at the end. When standard error is not a terminal (a log file), a
// line of its own every ten seconds instead.
#pragma once

#include <chrono>
#include <cstdint>

namespace sunvale {
namespace capture {

class ProgressBar {
public:
    // total: frames the run will draw (at least 1).
    explicit ProgressBar(int64_t total);

    // done frames of total are drawn.
    void Update(int64_t done);

    // Draws the final state and ends the line.
    void Finish(int64_t done);

    // Seconds since construction.
    double Elapsed() const;

private:
    void Draw(int64_t done);

    int64_t total_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    int64_t lastDone_ = 0;
    double rate_ = 0.0;  // frames per second, smoothed
    bool drawn_ = false;
    bool interactive_;  // standard error is a terminal: redraw in place
};

}  // namespace capture
}  // namespace sunvale
