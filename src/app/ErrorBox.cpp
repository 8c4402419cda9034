// Message boxes (see ErrorBox.h): GTK's, which a stop signal closes as if
// answered, then SDL's where GTK cannot open a display, then standard error.
#include "app/ErrorBox.h"

#include <SDL.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "app/StopSignals.h"

namespace sunvale {

namespace {
std::atomic<ErrorBoxHandler> g_handler{nullptr};

// GTK is used by one thread at a time: the main thread runs the dialog and
// the start-up boxes before the worker exists, the worker its load boxes
// while the main thread only pumps SDL's events.
std::mutex g_gtkMutex;

gboolean OnStopSignal(gint, GIOCondition, gpointer box)
{
    gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_DELETE_EVENT);
    return G_SOURCE_CONTINUE;  // removed by ShowGtkBox
}

// The box through GTK, modal, until OK, closing it or a stop signal. False
// without a display.
bool ShowGtkBox(const char* text)
{
    std::lock_guard<std::mutex> lock(g_gtkMutex);
    gtk_disable_setlocale();  // numbers keep the C locale
    if (!gtk_init_check(nullptr, nullptr)) return false;
    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_INFO,
                                            GTK_BUTTONS_OK, "%s", text);
    gtk_window_set_title(GTK_WINDOW(box), "Error");
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    const guint watch =
        StopSignalFd() >= 0 ? g_unix_fd_add(StopSignalFd(), G_IO_IN, &OnStopSignal, box) : 0;
    gtk_dialog_run(GTK_DIALOG(box));
    if (watch != 0) g_source_remove(watch);
    gtk_widget_destroy(box);
    while (gtk_events_pending()) gtk_main_iteration();
    gdk_display_flush(gdk_display_get_default());
    return true;
}

// GTK's box, else SDL's (which works without SDL_Init); false when neither
// could be shown. Once a stop signal has come, no box opens: the user has
// already asked the program to end.
bool ShowAnyBox(const char* text)
{
    if (StopSignalNumber() != 0) return false;
    if (ShowGtkBox(text)) return true;
    return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "Error", text, nullptr) == 0;
}
}  // namespace

int ShowError(const char* text)
{
    if (!text) text = "";
    if (ErrorBoxHandler handler = g_handler.load()) {
        handler(text);
        return 1;
    }
    // The text must not be lost where no box can be shown.
    if (!ShowAnyBox(text)) std::fprintf(stderr, "Error: %s\n", text);
    return 1;
}

int ReportStartupError(const char* text)
{
    if (!text) text = "";
    std::fprintf(stderr, "sunvale: %s\n", text);
    if (ErrorBoxHandler handler = g_handler.load()) {
        handler(text);
        return 1;
    }
    // Without a display the line above is all there is.
    ShowAnyBox(text);
    return 1;
}

void SetErrorBoxHandler(ErrorBoxHandler handler) { g_handler.store(handler); }

}  // namespace sunvale
