// Message boxes through SDL (see ErrorBox.h).
#include "app/ErrorBox.h"

#include <SDL.h>

#include <atomic>
#include <cstdio>

namespace sunvale {

namespace {
std::atomic<ErrorBoxHandler> g_handler{nullptr};
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

void SetErrorBoxHandler(ErrorBoxHandler handler) { g_handler.store(handler); }

}  // namespace sunvale
