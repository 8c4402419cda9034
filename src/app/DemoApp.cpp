// DemoApp: the show's own steps of the application frame.
#include "app/DemoApp.h"

#include <GL/gl.h>

#include "app/Clock.h"
#include "app/DisplaySettings.h"
#include "app/Random.h"
#include "app/Schedule.h"
#include "app/sound/MusicPlayer.h"

namespace sunvale {

namespace {
constexpr uint32_t kEscapeKey = 27;
constexpr int kSoftwareChannels = 32;
}  // namespace

int LoadShow(Timeline& timeline, int mixingRate, const std::atomic<int>* running)
{
    // Seeded from the generator's own first value, so every run makes the
    // same random choices.
    srand(static_cast<uint32_t>(rand() % 32767));
    if (!BuildSchedule(timeline, running)) return 0;
    if (running && running->load() == 0) return 0;
    g_musicPlayer.InitSound(mixingRate, kSoftwareChannels);
    g_musicPlayer.LoadFromArchive("data.rar", "data/music/marmalux.mp3");
    return 1;
}

const char* DemoApp::GetName() { return "Zentrope"; }
const char* DemoApp::GetWindowClassName() { return "moxaWndClass"; }
int DemoApp::GetIconId() { return 104; }
const char* DemoApp::GetDialogTitle() const { return "Zentrope - Configration"; }

int DemoApp::Init()
{
    if (!Show(nullptr)) return 0;
    g_displaySettings.mode = chosenMode;
    g_displaySettings.fullscreen = ConfigDialog::fullscreen;
    AppBase::fullscreen = ConfigDialog::fullscreen;
    width = static_cast<int>(chosenMode.pelsWidth);
    height = static_cast<int>(chosenMode.pelsHeight);
    colourBits = static_cast<int>(chosenMode.bitsPerPel);
    return 1;
}

int DemoApp::Load()
{
    if (!g_displaySettings.Open(window)) return 0;
    return LoadShow(timeline, mixingRate, &running);
}

int DemoApp::Run()
{
    const float t0 = GetTicks();
    g_musicPlayer.Play();
    while (running.load() != 0) {
        const float t = GetTicks();
        timeline.Update(t - t0);
        // The end is tested on the clock itself, not on t - t0.
        if (t >= kShowEndTicks) running.store(0);
        g_displaySettings.PresentFrame();
    }
    return 0;
}

void DemoApp::Shutdown() { g_displaySettings.Close(); }

void DemoApp::OnActivate() {}
void DemoApp::OnDeactivate() {}

void DemoApp::OnKeyDown(uint32_t virtualKey, uint32_t)
{
    if (virtualKey == kEscapeKey) running.store(0);
}

}  // namespace sunvale
