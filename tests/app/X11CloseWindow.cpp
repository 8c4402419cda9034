// x11_close_window WINDOW-ID: sends WM_DELETE_WINDOW to the window, exactly
// what a window manager's close button sends. xdotool of this era has no such
// command, and destroying the window from outside is not a close request.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

int g_xError = 0;

int RecordError(Display*, XErrorEvent* event)
{
    g_xError = event->error_code;
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: x11_close_window WINDOW-ID\n");
        return 2;
    }
    const Window window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x11_close_window: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(&RecordError);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    if (g_xError != 0) {
        std::fprintf(stderr, "x11_close_window: X error %d for window %s\n", g_xError, argv[1]);
        return 1;
    }
    return 0;
}
