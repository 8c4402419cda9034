// AppBase: window, event loop, worker thread and the close path on SDL2.
#include "app/AppBase.h"

#include <SDL.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "app/DisplaySettings.h"
#include "app/ErrorBox.h"
#include "app/StopSignals.h"

namespace sunvale {

namespace {

// Extended window and window styles of the original window classes; kept as
// the record of what kind of window was asked for.
constexpr uint32_t kExStyleFullscreen = 0x40000;                  // app window
constexpr uint32_t kExStyleWindowed = 0x40100;                    // app window, window edge
constexpr uint32_t kStyleFullscreen = 0x80000000u | 0x06000000u;  // popup, clip siblings/children
constexpr uint32_t kStyleWindowed =
    0x10CA0000u | 0x06000000u;  // caption, system menu, minimise box

constexpr int kEscapeKey = 27;
constexpr uint32_t kLeftButtonFlag = 0x0001;
constexpr uint32_t kRightButtonFlag = 0x0002;
constexpr uint32_t kMiddleButtonFlag = 0x0010;
constexpr int kWorkerWaitMs = 1000;

// Event the worker pushes to ask for the close (once Run has ended).
Uint32 CloseEventType()
{
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}

// Virtual-key code of an SDL key: Escape is 27, letters and digits their
// upper-case ASCII code, other keys their SDL code.
uint32_t VirtualKey(SDL_Keycode key)
{
    if (key == SDLK_ESCAPE) return kEscapeKey;
    if (key >= 'a' && key <= 'z') return static_cast<uint32_t>(key - 'a' + 'A');
    return static_cast<uint32_t>(key) & 0xFFFFu;
}

uint32_t ButtonFlags(uint32_t sdlState)
{
    uint32_t flags = 0;
    if (sdlState & SDL_BUTTON_LMASK) flags |= kLeftButtonFlag;
    if (sdlState & SDL_BUTTON_RMASK) flags |= kRightButtonFlag;
    if (sdlState & SDL_BUTTON_MMASK) flags |= kMiddleButtonFlag;
    return flags;
}

uint16_t Coordinate(int value) { return static_cast<uint16_t>(value); }

// Turns a stop signal into SDL_QUIT, the event a window system's own quit
// request gives, for as long as the event loop runs. A thread of its own
// waits on the stop pipe, since SDL_WaitEvent cannot watch a descriptor.
class StopSignalWatcher {
public:
    StopSignalWatcher()
    {
        if (StopSignalFd() < 0 || pipe2(endPipe_, O_CLOEXEC) != 0) return;
        if (pthread_create(&thread_, nullptr, &StopSignalWatcher::Watch, endPipe_) == 0) {
            started_ = true;
            return;
        }
        close(endPipe_[0]);
        close(endPipe_[1]);
    }

    ~StopSignalWatcher()
    {
        if (!started_) return;
        const char byte = 1;
        if (write(endPipe_[1], &byte, 1) == 1) pthread_join(thread_, nullptr);
        close(endPipe_[0]);
        close(endPipe_[1]);
    }

    StopSignalWatcher(const StopSignalWatcher&) = delete;
    StopSignalWatcher& operator=(const StopSignalWatcher&) = delete;

private:
    // Waits for the stop pipe (then pushes SDL_QUIT once) or for the end
    // pipe, whichever comes first.
    static void* Watch(void* endPipe)
    {
        pollfd fds[2] = {{StopSignalFd(), POLLIN, 0}, {static_cast<int*>(endPipe)[0], POLLIN, 0}};
        while (poll(fds, 2, -1) < 0 && errno == EINTR) {}
        if ((fds[0].revents & POLLIN) != 0 && (fds[1].revents & POLLIN) == 0) {
            SDL_Event quit{};
            quit.type = SDL_QUIT;
            SDL_PushEvent(&quit);
        }
        return nullptr;
    }

    int endPipe_[2] = {-1, -1};
    pthread_t thread_{};
    bool started_ = false;
};

}  // namespace

int ShowLastError()
{
    const char* text = SDL_GetError();
    return ShowError((text && *text) ? text : "Unknown error");
}

AppBase::AppBase() = default;

const char* AppBase::GetName() { return "Application"; }
const char* AppBase::SetTitle(const char* title)
{
    windowTitle = title;
    return title;
}
const char* AppBase::GetWindowClassName() { return "Application"; }
int AppBase::GetIconId() { return 104; }
int AppBase::Init() { return 1; }
int AppBase::Load() { return 1; }
int AppBase::Run()
{
    SDL_Delay(10);
    return 0;
}
void AppBase::Shutdown() {}
void AppBase::OnActivate() {}
void AppBase::OnDeactivate() {}
void AppBase::OnKeyDown(uint32_t, uint32_t) {}
void AppBase::OnKeyUp(uint32_t, uint32_t) {}
void AppBase::OnMouseMove(uint16_t, uint16_t, uint32_t) {}
void AppBase::OnButtonDown(uint16_t, uint16_t, uint32_t) {}
void AppBase::OnButtonDoubleClick(uint16_t, uint16_t, uint32_t) {}
void AppBase::OnButtonUp(uint16_t, uint16_t, uint32_t) {}

int AppBase::Create()
{
    // Registering the window class: the video subsystem and the close event.
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        ShowLastError();
        return 0;
    }
    CloseEventType();
    // A stop signal before or during the dialog: no dialog, no window.
    if (StopSignalNumber() != 0 || !Init() || StopSignalNumber() != 0) return 0;
    SDL_Delay(50);

    extendedStyle = fullscreen ? kExStyleFullscreen : kExStyleWindowed;
    style = fullscreen ? kStyleFullscreen : kStyleWindowed;
    if (fullscreen) SDL_ShowCursor(SDL_DISABLE);

    RequestPixelFormat(colourBits);
    window = SDL_CreateWindow(windowTitle ? windowTitle : "", SDL_WINDOWPOS_UNDEFINED,
                              SDL_WINDOWPOS_UNDEFINED, width, height,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        ShowLastError();
        return 0;
    }
    if (fullscreen) {
        // The chosen mode becomes the window's fullscreen mode, switched to
        // here, on the thread that owns the window.
        SDL_DisplayMode wanted{};
        wanted.w = width;
        wanted.h = height;
        SDL_DisplayMode closest{};
        if (SDL_GetClosestDisplayMode(0, &wanted, &closest))
            SDL_SetWindowDisplayMode(window, &closest);
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN);
    }
    SDL_SetWindowData(window, "sunvale.app", this);
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
    SDL_SetWindowInputFocus(window);
    running.store(1);
    return 1;
}

int AppBase::Start()
{
    if (pthread_create(&workerThread, nullptr, &AppBase::ThreadEntry, this) != 0) return -1;
    workerStarted_ = true;
    workerThreadId = static_cast<uint32_t>(workerThread);
    sched_param normal{};
    normal.sched_priority = 0;
    if (pthread_setschedparam(workerThread, SCHED_OTHER, &normal) != 0) {
        running.store(0);
        WaitForWorker(-1);
        return -1;
    }
    int (*const wait)(SDL_Event*) = waitEvent ? waitEvent : &SDL_WaitEvent;
    const StopSignalWatcher stopWatcher;
    SDL_Event event;
    while (!quit_ && wait(&event)) WindowProc(event);
    // The queue failed: close as if asked to, so that the worker has ended
    // before the caller deletes the scenes it draws.
    if (!quit_) HandleClose();
    return 0;
}

void* AppBase::ThreadEntry(void* self)
{
    AppBase* app = static_cast<AppBase*>(self);
    const int result = app->ThreadMain();
    // pthread carries the thread's result as a pointer-sized value.
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    return reinterpret_cast<void*>(static_cast<intptr_t>(result));
}

int AppBase::ThreadMain()
{
    const int loaded = Load();
    if (loaded) Run();
    // The context stays alive for Shutdown on the user-interface thread, but
    // is no longer current here.
    if (window && g_displaySettings.renderingContext) SDL_GL_MakeCurrent(window, nullptr);
    if (!loaded) {
        // A close during loading stops the load early, and the close path
        // is then already waiting for this thread. A failed context leaves
        // the window open and black until the user closes it.
        if (running.load() == 0) PostClose();
        return 1;
    }
    PostClose();
    return 0;
}

void AppBase::PostClose()
{
    SDL_Event event{};
    event.type = CloseEventType();
    SDL_PushEvent(&event);
}

void AppBase::WindowProc(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_KEYDOWN:
        OnKeyDown(VirtualKey(event.key.keysym.sym), event.key.repeat ? 0x40000000u : 0u);
        return;
    case SDL_KEYUP:
        OnKeyUp(VirtualKey(event.key.keysym.sym), 0xC0000000u);
        return;
    case SDL_MOUSEMOTION:
        OnMouseMove(Coordinate(event.motion.x), Coordinate(event.motion.y),
                    ButtonFlags(event.motion.state));
        return;
    case SDL_MOUSEBUTTONDOWN: {
        const uint32_t flags = ButtonFlags(SDL_GetMouseState(nullptr, nullptr));
        if (event.button.clicks == 2)
            OnButtonDoubleClick(Coordinate(event.button.x), Coordinate(event.button.y), flags);
        else
            OnButtonDown(Coordinate(event.button.x), Coordinate(event.button.y), flags);
        return;
    }
    case SDL_MOUSEBUTTONUP:
        OnButtonUp(Coordinate(event.button.x), Coordinate(event.button.y),
                   ButtonFlags(SDL_GetMouseState(nullptr, nullptr)));
        return;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
            OnActivate();
        else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            OnDeactivate();
        else if (event.window.event == SDL_WINDOWEVENT_CLOSE)
            HandleClose();
        return;
    case SDL_QUIT:
        HandleClose();
        return;
    default:
        if (event.type == CloseEventType()) HandleClose();
        return;
    }
}

bool AppBase::WaitForWorker(int timeoutMs)
{
    if (!workerStarted_ || workerJoined_) return true;
    if (timeoutMs < 0) {
        pthread_join(workerThread, nullptr);
        workerJoined_ = true;
        return true;
    }
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += timeoutMs / 1000;
    deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000L;
    }
    if (pthread_timedjoin_np(workerThread, nullptr, &deadline) == 0) {
        workerJoined_ = true;
        return true;
    }
    return false;
}

// A second close (the worker's, after one from outside) finds the window gone
// and does nothing.
void AppBase::HandleClose()
{
    if (quit_ || !window) return;
    running.store(0);
    // A worker finishing its frame ends well within the wait. One still inside
    // a load step gets to finish it: the context and the scenes it is using
    // are released only once it has ended.
    if (!WaitForWorker(kWorkerWaitMs)) WaitForWorker(-1);
    Shutdown();
    quit_ = true;
    SDL_DestroyWindow(window);
    window = nullptr;
}

}  // namespace sunvale
