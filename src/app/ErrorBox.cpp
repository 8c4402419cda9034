// Message boxes through SDL (see ErrorBox.h).
#include "app/ErrorBox.h"

#include <SDL.h>
#include <gtk/gtk.h>

#include <atomic>
#include <cstdio>

namespace sunvale {

namespace {
std::atomic<ErrorBoxHandler> g_handler{nullptr};

// The same box through GTK, for where SDL's cannot be drawn (an X server
// without its core fonts, a Wayland session without zenity). Main thread
// only, before the show's own window exists. False without a display.
bool ShowGtkBox(const char* text)
{
    gtk_disable_setlocale();  // numbers keep the C locale
    if (!gtk_init_check(nullptr, nullptr)) return false;
    GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_INFO,
                                            GTK_BUTTONS_OK, "%s", text);
    gtk_window_set_title(GTK_WINDOW(box), "Error");
    gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
    gtk_dialog_run(GTK_DIALOG(box));
    gtk_widget_destroy(box);
    while (gtk_events_pending()) gtk_main_iteration();
    return true;
}
}  // namespace

int ShowError(const char* text)
{
    if (!text) text = "";
    if (ErrorBoxHandler handler = g_handler.load()) {
        handler(text);
        return 1;
    }
    // SDL_ShowSimpleMessageBox works without SDL_Init; it fails where no
    // display exists, and the text must not be lost then.
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "Error", text, nullptr) != 0)
        std::fprintf(stderr, "Error: %s\n", text);
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
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, "Error", text, nullptr) != 0)
        ShowGtkBox(text);
    return 1;
}

void SetErrorBoxHandler(ErrorBoxHandler handler) { g_handler.store(handler); }

}  // namespace sunvale
