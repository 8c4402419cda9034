// The application frame: one user-interface thread that owns the window and
// dispatches its events into the virtual slots below, and one worker thread
// that owns the OpenGL context and runs Load, then Run.
//
// The two threads share only `running` while the show runs: the interface
// thread writes 0 into it (Escape, close), the worker reads it once per frame
// and between load steps.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>

struct SDL_Window;
union SDL_Event;

namespace sunvale {

class AppBase {
public:
    AppBase();
    virtual ~AppBase() = default;
    AppBase(const AppBase&) = delete;
    AppBase& operator=(const AppBase&) = delete;

    // Slots 0..15, in order.
    virtual const char* GetName();
    virtual const char* SetTitle(const char* title);
    virtual const char* GetWindowClassName();
    virtual int GetIconId();
    virtual int Init();
    virtual int Load();
    virtual int Run();
    virtual void Shutdown();
    virtual void OnActivate();
    virtual void OnDeactivate();
    virtual void OnKeyDown(uint32_t virtualKey, uint32_t keyFlags);
    virtual void OnKeyUp(uint32_t virtualKey, uint32_t keyFlags);
    virtual void OnMouseMove(uint16_t x, uint16_t y, uint32_t buttonFlags);
    virtual void OnButtonDown(uint16_t x, uint16_t y, uint32_t buttonFlags);
    virtual void OnButtonDoubleClick(uint16_t x, uint16_t y, uint32_t buttonFlags);
    virtual void OnButtonUp(uint16_t x, uint16_t y, uint32_t buttonFlags);

    // Sets up the window system, runs Init (the dialog), creates and shows the
    // window. 1, or 0 when Init declined, a stop signal came, or the window
    // could not be made.
    int Create();

    // Starts the worker and pumps events until the window closes; a stop
    // signal (StopSignals.h) closes it as a quit request does. 0 after a
    // normal end, -1 when the worker could not be started.
    int Start();

    // Asks the user-interface thread to close the window, as the worker does
    // when the show ends. Safe from any thread.
    void PostClose();

    SDL_Window* window = nullptr;
    void* instance = nullptr;
    char** commandLine = nullptr;  // kept, never read
    int showCommand = 0;
    std::atomic<int> running{0};
    pthread_t workerThread{};
    uint32_t workerThreadId = 0;
    const char* windowClassName = "mainWnd";
    const char* windowTitle = nullptr;
    uint32_t extendedStyle = 0;
    uint32_t style = 0;
    int width = 0;
    int height = 0;
    int colourBits = 0;
    int iconId = 0;
    int fullscreen = 0;

protected:
    // Worker thread body: Load, Run, then ask for the close.
    int ThreadMain();

    // One event of the window, dispatched into the slots.
    void WindowProc(const SDL_Event& event);

    // The close path: stop the worker, wait for it, Shutdown, end the loop.
    void HandleClose();

    // Where Start's loop takes its events: SDL_WaitEvent (1 with an event, 0
    // on an error of the event queue). Tests put a failing source here.
    int (*waitEvent)(SDL_Event* event) = nullptr;

private:
    static void* ThreadEntry(void* self);
    bool WaitForWorker(int timeoutMs);

    bool workerStarted_ = false;
    bool workerJoined_ = false;
    bool quit_ = false;
};

// Error helper: the last system error as a message box; returns 1.
int ShowLastError();

}  // namespace sunvale
