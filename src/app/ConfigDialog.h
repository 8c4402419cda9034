// The start-up configuration dialog: a small modal dialog, shown on the
// user-interface thread before the show's window exists, in which the user
// picks fullscreen or windowed display, a video mode and the sound mixing
// rate. The object keeps the offered video modes and the choices.
#pragma once

#include <string>

#include "app/DisplayMode.h"

namespace sunvale {

class ConfigDialog {
public:
    static constexpr int kMaxModes = 256;

    ConfigDialog();
    virtual ~ConfigDialog();

    ConfigDialog(const ConfigDialog&) = delete;
    ConfigDialog& operator=(const ConfigDialog&) = delete;

    // Caption of the dialog.
    virtual const char* GetDialogTitle() const;

    // Runs the modal dialog (owner: the owning window, none in the show).
    // Returns 1 when the user confirmed with OK, which stores the choices in
    // fullscreen, mixingRate and chosenMode; 0 after Cancel, Escape, closing
    // the dialog, a stop signal (StopSignals.h), or when no display can show
    // it.
    int Show(void* owner);

    // Fills modes and modeCount from the video modes of display 0.
    void EnumerateModes();
    // The same filter applied to list[0..n-1] in that order.
    void EnumerateModesFrom(const DisplayMode* list, int n);

    // Index of the entry the dialog preselects: the first 800x600 mode at
    // 32 bits, else 0.
    int PreselectedModeIndex() const;
    // Index of the entry the dialog opens with: initialMode's entry when one
    // is set (added at the end of the list when the list lacks it and has
    // room), else PreselectedModeIndex(). Call after EnumerateModes.
    int InitialModeIndex();

    // Sets fullscreen, chosenMode and mixingRate to what the dialog would
    // return if it were confirmed at once, without showing it.
    void ChooseInitialChoices();

    // The list text of a mode, e.g. "800x600x32bit".
    static std::string ModeText(const DisplayMode& mode);

    int fullscreen;          // 1 fullscreen, 0 windowed
    int mixingRate;          // Hz: 16000, 22050 or 44100 after OK
    DisplayMode chosenMode;  // copy of the selected modes entry after OK
    DisplayMode modes[kMaxModes];
    int modeCount;  // 0 to kMaxModes

    // Choices the dialog opens with in place of its defaults (Fullscreen,
    // 800x600x32, 44100 Hz). -1, a width of 0 and 0 keep the defaults; a
    // bitsPerPel of 0 matches any depth and means 32 when the mode is added.
    int initialFullscreen = -1;
    DisplayMode initialMode;
    int initialRate = 0;
};

}  // namespace sunvale
