// The production: the application frame specialised to run the show — ask
// for the video settings, open the context, build the timeline, start the
// music and drive the frame loop until the show ends or Escape is pressed.
#pragma once

#include "app/AppBase.h"
#include "app/CommandLine.h"
#include "app/ConfigDialog.h"
#include "app/Timeline.h"

namespace sunvale {

class DemoApp : public AppBase, public ConfigDialog {
public:
    DemoApp() = default;

    const char* GetName() override;
    const char* GetWindowClassName() override;
    int GetIconId() override;
    int Init() override;
    int Load() override;
    int Run() override;
    void Shutdown() override;
    void OnActivate() override;
    void OnDeactivate() override;
    void OnKeyDown(uint32_t virtualKey, uint32_t keyFlags) override;

    const char* GetDialogTitle() const override;

    Timeline timeline;

    // The command line's choices: they preselect the dialog's entries, or
    // stand in for the dialog with noDialog.
    ShowOptions options;
    // Set by Init when it refused the choices with a message (a fullscreen
    // mode the display does not offer), as opposed to a cancelled dialog.
    int choicesRefused = 0;
};

// The steps of the load after the context exists: seed the generator, build
// the schedule, open the music. Shared by the show and offscreen renders.
// 0 when running dropped to 0 on the way (a close during loading).
int LoadShow(Timeline& timeline, int mixingRate, const std::atomic<int>* running);

// The music step of LoadShow: starts the sound library at mixingRate Hz with
// the show's software channels and opens the soundtrack from data.rar in
// the global player. 1 when the soundtrack opened, else 0 (the show then
// runs silent).
int LoadShowMusic(int mixingRate);

}  // namespace sunvale
