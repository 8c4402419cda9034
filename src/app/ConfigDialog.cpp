// The start-up configuration dialog (see ConfigDialog.h): the video-mode
// filter over SDL's modes of display 0 and the modal GTK dialog. Buttons
// answer like the classic dialog: OK is 1, Cancel (also Escape and closing
// the window) is 2, and only 1 counts as confirmed.
#include "app/ConfigDialog.h"

#include <SDL.h>
#include <glib-unix.h>
#include <gtk/gtk.h>

#include <cstdio>
#include <vector>

#include "app/ConfigDialogPicture.h"
#include "app/StopSignals.h"

namespace sunvale {

namespace {

constexpr int kResponseOk = 1;
constexpr int kResponseCancel = 2;

// Width / height bounds of the offered modes: single-precision 1.3 and
// 1.34 widened to double (1.2999999523162842, 1.340000033378601).
constexpr double kMinAspect = static_cast<double>(1.3f);
constexpr double kMaxAspect = static_cast<double>(1.34f);

constexpr int kRates[] = {16000, 22050, 44100};  // Hz, in list order
constexpr const char* kRateTexts[] = {"16000", "22050", "44100"};
constexpr int kPreselectedRate = 2;  // "44100"

// Offered alone when the display has no mode that passes the filter, so
// that a confirmed choice is never a 0x0 mode.
constexpr DisplayMode kFallbackMode = {32, 800, 600, 0};

bool SameSizeAndDepth(const DisplayMode& a, const DisplayMode& b)
{
    return a.pelsWidth == b.pelsWidth && a.pelsHeight == b.pelsHeight &&
           a.bitsPerPel == b.bitsPerPel;
}

bool IsOfferedMode(const DisplayMode& mode)
{
    if (mode.pelsWidth < 640 || mode.pelsHeight < 480) return false;
    if (mode.bitsPerPel <= 16) return false;
    double aspect = static_cast<double>(mode.pelsWidth) / static_cast<double>(mode.pelsHeight);
    return aspect >= kMinAspect && aspect <= kMaxAspect;
}

// List index of a mixing rate in Hz; the default entry for any other value.
int InitialRateIndex(int rate)
{
    for (int i = 0; i < static_cast<int>(sizeof kRates / sizeof kRates[0]); ++i)
        if (kRates[i] == rate) return i;
    return kPreselectedRate;
}

// GTK may be initialised once per process; a failed attempt (no display)
// is retried on the next call. The C locale stays as it is: the rest of the
// program formats and parses numbers and must not follow the user's locale.
bool InitGtk()
{
    static bool setlocaleDisabled = false;
    if (!setlocaleDisabled) {
        gtk_disable_setlocale();
        setlocaleDisabled = true;
    }
    return gtk_init_check(nullptr, nullptr) != FALSE;
}

// The dialog's widgets and the state of its modal loop.
struct DialogWidgets {
    GtkWidget* window = nullptr;
    GtkWidget* okButton = nullptr;
    GtkWidget* fullscreenRadio = nullptr;  // "Fullscreen"
    GtkWidget* windowedRadio = nullptr;    // "Standard Windows"
    GtkWidget* modeCombo = nullptr;        // "VideoMode"
    GtkWidget* rateCombo = nullptr;        // "MixingRate"
    GMainLoop* loop = nullptr;
    int response = 0;
};

void EndDialog(DialogWidgets* widgets, int response)
{
    if (widgets->response != 0) return;
    widgets->response = response;
    g_main_loop_quit(widgets->loop);
}

void OnOkClicked(GtkButton*, gpointer data)
{
    EndDialog(static_cast<DialogWidgets*>(data), kResponseOk);
}

void OnCancelClicked(GtkButton*, gpointer data)
{
    EndDialog(static_cast<DialogWidgets*>(data), kResponseCancel);
}

gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer data)
{
    EndDialog(static_cast<DialogWidgets*>(data), kResponseCancel);
    return TRUE;  // the window is destroyed by Show
}

// A stop signal cancels, as closing the dialog does.
gboolean OnStopSignal(gint, GIOCondition, gpointer data)
{
    EndDialog(static_cast<DialogWidgets*>(data), kResponseCancel);
    return G_SOURCE_CONTINUE;  // removed by Show
}

// Escape cancels. Enter activates the focused push button, and OK from any
// other control, as in a dialog with a default button.
gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, gpointer data)
{
    auto* widgets = static_cast<DialogWidgets*>(data);
    switch (event->keyval) {
    case GDK_KEY_Escape:
        EndDialog(widgets, kResponseCancel);
        return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter: {
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
        if (focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus)) return FALSE;
        gtk_widget_activate(widgets->okButton);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

// A titled group box holding child.
GtkWidget* NewGroup(const char* title, GtkWidget* child)
{
    GtkWidget* frame = gtk_frame_new(title);
    gtk_container_set_border_width(GTK_CONTAINER(child), 6);
    gtk_container_add(GTK_CONTAINER(frame), child);
    return frame;
}

// A row of a left-aligned caption and its drop-down list; captions share
// labels' width so both lists start at the same x.
GtkWidget* NewLabelledCombo(const char* caption, GtkWidget* combo, GtkSizeGroup* labels)
{
    GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 8);
    GtkWidget* label = gtk_label_new(caption);
    gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
    gtk_size_group_add_widget(labels, label);
    gtk_box_pack_start(GTK_BOX(row), label, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(row), combo, FALSE, FALSE, 0);
    return row;
}

// Builds the dialog: picture and the three groups on the left, OK and
// Cancel on the right, in the classic template's order.
void BuildDialog(DialogWidgets* widgets, const char* title)
{
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    widgets->window = window;
    gtk_window_set_title(GTK_WINDOW(window), title ? title : "");
    gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
    gtk_window_set_modal(GTK_WINDOW(window), TRUE);
    gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_container_set_border_width(GTK_CONTAINER(window), 10);

    GtkWidget* columns = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 14);
    gtk_container_add(GTK_CONTAINER(window), columns);

    GtkWidget* left = gtk_box_new(GTK_ORIENTATION_VERTICAL, 8);
    gtk_box_pack_start(GTK_BOX(columns), left, FALSE, FALSE, 0);
    GtkWidget* right = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
    gtk_box_pack_start(GTK_BOX(columns), right, FALSE, FALSE, 0);

    widgets->okButton = gtk_button_new_with_label("OK");
    GtkWidget* cancel = gtk_button_new_with_label("Cancel");
    gtk_widget_set_size_request(widgets->okButton, 88, -1);
    gtk_widget_set_size_request(cancel, 88, -1);
    gtk_box_pack_start(GTK_BOX(right), widgets->okButton, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(right), cancel, FALSE, FALSE, 0);

    cairo_surface_t* picture = ConfigDialogPicture::CreateSurface();
    GtkWidget* image = gtk_image_new_from_surface(picture);
    cairo_surface_destroy(picture);
    gtk_widget_set_halign(image, GTK_ALIGN_START);
    gtk_box_pack_start(GTK_BOX(left), image, FALSE, FALSE, 0);

    GtkWidget* screenBox = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
    widgets->fullscreenRadio = gtk_radio_button_new_with_label(nullptr, "Fullscreen");
    widgets->windowedRadio = gtk_radio_button_new_with_label_from_widget(
        GTK_RADIO_BUTTON(widgets->fullscreenRadio), "Standard Windows");
    gtk_box_pack_start(GTK_BOX(screenBox), widgets->fullscreenRadio, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(screenBox), widgets->windowedRadio, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(left), NewGroup("Screen mode", screenBox), FALSE, FALSE, 0);

    GtkSizeGroup* labels = gtk_size_group_new(GTK_SIZE_GROUP_HORIZONTAL);
    widgets->modeCombo = gtk_combo_box_text_new();
    gtk_widget_set_size_request(widgets->modeCombo, 150, -1);
    gtk_box_pack_start(
        GTK_BOX(left),
        NewGroup("Display options", NewLabelledCombo("VideoMode", widgets->modeCombo, labels)),
        FALSE, FALSE, 0);

    widgets->rateCombo = gtk_combo_box_text_new();
    gtk_widget_set_size_request(widgets->rateCombo, 110, -1);
    gtk_box_pack_start(
        GTK_BOX(left),
        NewGroup("Sound options", NewLabelledCombo("MixingRate", widgets->rateCombo, labels)),
        FALSE, FALSE, 0);
    g_object_unref(labels);

    g_signal_connect(widgets->okButton, "clicked", G_CALLBACK(OnOkClicked), widgets);
    g_signal_connect(cancel, "clicked", G_CALLBACK(OnCancelClicked), widgets);
    g_signal_connect(window, "delete-event", G_CALLBACK(OnDeleteEvent), widgets);
    g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), widgets);

    // OK is the default button and holds the focus, so Enter confirms the
    // preselected choices.
    gtk_widget_set_can_default(widgets->okButton, TRUE);
    gtk_window_set_default(GTK_WINDOW(window), widgets->okButton);
    gtk_widget_grab_focus(widgets->okButton);
}

// Lets GTK finish pending work (unmapping a destroyed window) so that
// nothing of the dialog remains on screen when the show's window opens.
void FlushGtk()
{
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    gdk_display_flush(gdk_display_get_default());
}

}  // namespace

ConfigDialog::ConfigDialog() : fullscreen(0), mixingRate(0), chosenMode(), modes(), modeCount(0) {}

ConfigDialog::~ConfigDialog() = default;

const char* ConfigDialog::GetDialogTitle() const { return "Configration"; }

int ConfigDialog::Show(void* owner)
{
    (void)owner;  // the dialog has no owner window: the show's window comes later
    if (!InitGtk()) {
        std::fprintf(stderr,
                     "Configration: no display is available for the configuration dialog "
                     "(is DISPLAY or WAYLAND_DISPLAY set?)\n");
        return 0;
    }

    DialogWidgets widgets;
    BuildDialog(&widgets, GetDialogTitle());
    gtk_toggle_button_set_active(
        GTK_TOGGLE_BUTTON(initialFullscreen == 0 ? widgets.windowedRadio : widgets.fullscreenRadio),
        TRUE);

    EnumerateModes();
    const int modeIndex = InitialModeIndex();
    for (int i = 0; i < modeCount; ++i)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widgets.modeCombo),
                                       ModeText(modes[i]).c_str());
    gtk_combo_box_set_active(GTK_COMBO_BOX(widgets.modeCombo), modeIndex);

    for (const char* text : kRateTexts)
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(widgets.rateCombo), text);
    gtk_combo_box_set_active(GTK_COMBO_BOX(widgets.rateCombo), InitialRateIndex(initialRate));

    widgets.loop = g_main_loop_new(nullptr, FALSE);
    const guint stopWatch =
        StopSignalFd() >= 0 ? g_unix_fd_add(StopSignalFd(), G_IO_IN, &OnStopSignal, &widgets) : 0;
    gtk_widget_show_all(widgets.window);
    gtk_window_present(GTK_WINDOW(widgets.window));
    g_main_loop_run(widgets.loop);
    if (stopWatch != 0) g_source_remove(stopWatch);
    g_main_loop_unref(widgets.loop);

    if (widgets.response == kResponseOk) {
        if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widgets.fullscreenRadio)))
            fullscreen = 1;
        else if (gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widgets.windowedRadio)))
            fullscreen = 0;
        int mode = gtk_combo_box_get_active(GTK_COMBO_BOX(widgets.modeCombo));
        if (mode >= 0 && mode < modeCount) chosenMode = modes[mode];
        int rate = gtk_combo_box_get_active(GTK_COMBO_BOX(widgets.rateCombo));
        if (rate >= 0 && rate < static_cast<int>(sizeof kRates / sizeof kRates[0]))
            mixingRate = kRates[rate];
    }
    gtk_widget_destroy(widgets.window);
    FlushGtk();
    return widgets.response == kResponseOk ? 1 : 0;
}

void ConfigDialog::EnumerateModes()
{
    // The video subsystem is started here only when the caller has not
    // started it, and then stopped again.
    bool startedVideo = false;
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            std::fprintf(stderr, "Configration: cannot list video modes: %s\n", SDL_GetError());
            EnumerateModesFrom(nullptr, 0);
            return;
        }
        startedVideo = true;
    }

    std::vector<DisplayMode> found;
    int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode sdlMode;
        if (SDL_GetDisplayMode(0, i, &sdlMode) != 0) break;
        if (sdlMode.w <= 0 || sdlMode.h <= 0) continue;
        DisplayMode mode;
        mode.bitsPerPel = SDL_BYTESPERPIXEL(sdlMode.format) * 8u;
        mode.pelsWidth = static_cast<uint32_t>(sdlMode.w);
        mode.pelsHeight = static_cast<uint32_t>(sdlMode.h);
        mode.displayFrequency =
            sdlMode.refresh_rate > 0 ? static_cast<uint32_t>(sdlMode.refresh_rate) : 0u;
        found.push_back(mode);
    }
    if (startedVideo) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    EnumerateModesFrom(found.data(), static_cast<int>(found.size()));
}

void ConfigDialog::EnumerateModesFrom(const DisplayMode* list, int n)
{
    modeCount = 0;
    for (DisplayMode& mode : modes) mode = DisplayMode();

    for (int i = 0; list && i < n; ++i) {
        const DisplayMode& mode = list[i];
        bool listed = false;
        for (int j = 0; j < modeCount && !listed; ++j) listed = SameSizeAndDepth(modes[j], mode);
        if (listed || !IsOfferedMode(mode)) continue;
        if (modeCount < kMaxModes) modes[modeCount++] = mode;
    }
    if (modeCount == 0) modes[modeCount++] = kFallbackMode;
}

int ConfigDialog::PreselectedModeIndex() const
{
    for (int i = 0; i < modeCount; ++i)
        if (modes[i].pelsWidth == 800 && modes[i].pelsHeight == 600 && modes[i].bitsPerPel == 32)
            return i;
    return 0;
}

int ConfigDialog::InitialModeIndex()
{
    if (initialMode.pelsWidth == 0) return PreselectedModeIndex();
    for (int i = 0; i < modeCount; ++i)
        if (modes[i].pelsWidth == initialMode.pelsWidth &&
            modes[i].pelsHeight == initialMode.pelsHeight &&
            (initialMode.bitsPerPel == 0 || modes[i].bitsPerPel == initialMode.bitsPerPel))
            return i;
    if (modeCount >= kMaxModes) return PreselectedModeIndex();
    DisplayMode added = initialMode;
    if (added.bitsPerPel == 0) added.bitsPerPel = 32;
    modes[modeCount] = added;
    return modeCount++;
}

void ConfigDialog::ChooseInitialChoices()
{
    EnumerateModes();
    fullscreen = initialFullscreen == 0 ? 0 : 1;
    chosenMode = modes[InitialModeIndex()];
    mixingRate = kRates[InitialRateIndex(initialRate)];
}

std::string ConfigDialog::ModeText(const DisplayMode& mode)
{
    char text[48];
    std::snprintf(text, sizeof text, "%dx%dx%dbit", static_cast<int>(mode.pelsWidth),
                  static_cast<int>(mode.pelsHeight), static_cast<int>(mode.bitsPerPel));
    return text;
}

}  // namespace sunvale
