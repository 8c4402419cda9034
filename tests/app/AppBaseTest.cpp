// The frame's event loop ending on an error of the event queue: it closes
// the way a close request does, so the worker has ended when Start returns.
#include <SDL.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>

#include "app/AppBase.h"

namespace sunvale {
namespace {

// A worker that runs until it is told to stop, and notes the order of events.
class LoopingApp : public AppBase {
public:
    int Load() override { return 1; }
    int Run() override
    {
        while (running.load() != 0) SDL_Delay(1);
        workerEnded = true;
        return 0;
    }
    void Shutdown() override { workerEndedAtShutdown = workerEnded.load(); }
    void BreakEventQueue()
    {
        waitEvent = [](SDL_Event*) {
            SDL_SetError("event queue broken");
            return 0;
        };
    }

    std::atomic<bool> workerEnded{false};
    int workerEndedAtShutdown = -1;
};

TEST(AppBase, EventQueueErrorRunsTheClosePath)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (SDL_Init(SDL_INIT_VIDEO) != 0) GTEST_SKIP() << SDL_GetError();
    LoopingApp app;
    app.window = SDL_CreateWindow("", 0, 0, 64, 64, SDL_WINDOW_HIDDEN);
    ASSERT_NE(app.window, nullptr) << SDL_GetError();
    app.running.store(1);
    app.BreakEventQueue();

    EXPECT_EQ(app.Start(), 0);
    EXPECT_TRUE(app.workerEnded.load());
    EXPECT_EQ(app.workerEndedAtShutdown, 1);
    EXPECT_EQ(app.running.load(), 0);
    EXPECT_EQ(app.window, nullptr);

    // Without the close path the worker would still be running here.
    app.running.store(0);
    while (!app.workerEnded.load()) SDL_Delay(1);
    if (app.window) SDL_DestroyWindow(app.window);
    SDL_Quit();
}

}  // namespace
}  // namespace sunvale
