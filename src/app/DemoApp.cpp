// DemoApp: the show's own steps of the application frame.
#include "app/DemoApp.h"

#include <GL/gl.h>
#include <SDL.h>

#include <string>

#include "app/Clock.h"
#include "app/DisplaySettings.h"
#include "app/ErrorBox.h"
#include "app/LoadProfile.h"
#include "app/Random.h"
#include "app/Schedule.h"
#include "app/sound/MusicPlayer.h"

namespace sunvale {

namespace {
constexpr uint32_t kEscapeKey = 27;
constexpr int kSoftwareChannels = 32;

// Whether display 0 has a mode of exactly this size and depth (depth as
// the dialog counts it: bytes per pixel times 8).
bool DisplayOffersMode(const DisplayMode& mode)
{
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode offered;
        if (SDL_GetDisplayMode(0, i, &offered) != 0) break;
        if (static_cast<uint32_t>(offered.w) == mode.pelsWidth &&
            static_cast<uint32_t>(offered.h) == mode.pelsHeight &&
            SDL_BYTESPERPIXEL(offered.format) * 8u == mode.bitsPerPel)
            return true;
    }
    return false;
}
}  // namespace

int LoadShow(Timeline& timeline, int mixingRate, const std::atomic<int>* running)
{
    // Seeded from the generator's own first value, so every run makes the
    // same random choices.
    srand(static_cast<uint32_t>(rand() % 32767));
    if (!BuildSchedule(timeline, running)) return 0;
    if (running && running->load() == 0) return 0;
    LoadShowMusic(mixingRate);
    return 1;
}

int LoadShowMusic(int mixingRate)
{
    {
        LoadTimer timer(LoadStage::Music);
        g_musicPlayer.InitSound(mixingRate, kSoftwareChannels);
    }
    return g_musicPlayer.LoadFromArchive("data.rar", "data/music/marmalux.mp3");
}

const char* DemoApp::GetName() { return "Zentrope"; }
const char* DemoApp::GetWindowClassName() { return "moxaWndClass"; }
int DemoApp::GetIconId() { return 104; }
const char* DemoApp::GetDialogTitle() const { return "Zentrope - Configration"; }

int DemoApp::Init()
{
    initialFullscreen = options.fullscreen;
    initialMode = options.mode;
    initialRate = options.mixingRate;
    if (options.noDialog)
        ChooseInitialChoices();
    else if (!Show(nullptr))
        return 0;
    // Only a mode typed on the command line can be missing from the display.
    if (ConfigDialog::fullscreen && options.mode.pelsWidth != 0 && !DisplayOffersMode(chosenMode)) {
        const std::string text = "the display does not offer the fullscreen mode " +
                                 ModeText(chosenMode) +
                                 "; choose one of its modes, or --windowed for any size";
        ReportStartupError(text.c_str());
        choicesRefused = 1;
        return 0;
    }
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
