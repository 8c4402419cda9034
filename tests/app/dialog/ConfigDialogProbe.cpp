// Shows the configuration dialog the way the show does (caption "Zentrope -
// Configration") and prints the result and the choices on one line, for
// tests that drive the real dialog on an X server.
//   config_dialog_probe [--screenshot FILE]
// With --screenshot the probe draws the dialog into FILE (PNG) as soon as it
// is on screen and then closes it like the window's close button.
#include <gtk/gtk.h>

#include <cstdio>
#include <cstring>

#include "app/ConfigDialog.h"

namespace {

class ProbeDialog : public sunvale::ConfigDialog {
public:
    const char* GetDialogTitle() const override { return "Zentrope - Configration"; }
};

const char* g_screenshotPath = nullptr;
bool g_screenshotSaved = false;

// Polled from the dialog's own loop until the dialog is mapped.
gboolean CaptureWhenMapped(gpointer)
{
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* dialog = nullptr;
    for (GList* item = windows; item; item = item->next) {
        GtkWindow* window = GTK_WINDOW(item->data);
        const char* title = gtk_window_get_title(window);
        if (title && std::strcmp(title, "Zentrope - Configration") == 0 &&
            gtk_widget_get_mapped(GTK_WIDGET(window)))
            dialog = GTK_WIDGET(window);
    }
    g_list_free(windows);
    if (!dialog) return G_SOURCE_CONTINUE;

    int width = gtk_widget_get_allocated_width(dialog);
    int height = gtk_widget_get_allocated_height(dialog);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    gtk_widget_draw(dialog, cr);
    cairo_destroy(cr);
    g_screenshotSaved =
        cairo_surface_write_to_png(surface, g_screenshotPath) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    std::printf("screenshot=%dx%d %s\n", width, height, g_screenshotSaved ? "saved" : "failed");
    gtk_window_close(GTK_WINDOW(dialog));
    return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            g_screenshotPath = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--screenshot FILE]\n", argv[0]);
            return 2;
        }
    }
    if (g_screenshotPath) g_timeout_add(20, CaptureWhenMapped, nullptr);

    ProbeDialog dialog;
    int result = dialog.Show(nullptr);
    std::printf("modes=%d:", dialog.modeCount);
    for (int i = 0; i < dialog.modeCount; ++i)
        std::printf(" %s", sunvale::ConfigDialog::ModeText(dialog.modes[i]).c_str());
    std::printf("\nresult=%d fullscreen=%d rate=%d mode=%ux%ux%u\n", result, dialog.fullscreen,
                dialog.mixingRate, dialog.chosenMode.pelsWidth, dialog.chosenMode.pelsHeight,
                dialog.chosenMode.bitsPerPel);
    if (g_screenshotPath && !g_screenshotSaved) return 1;
    return 0;
}
