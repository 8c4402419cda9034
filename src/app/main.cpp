// Entry point of the show.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "app/DemoApp.h"

int main(int argc, char** argv)
{
    (void)argc;
    SDL_SetMainReady();
    sunvale::DemoApp app;
    app.SetTitle("Zentrope - Sunvale");
    app.commandLine = argv;
    app.showCommand = 1;
    if (!app.Create()) {
        app.timeline.DestroyScenes();
        return -1;
    }
    const int result = app.Start();
    app.timeline.DestroyScenes();
    return result;
}
