// Library diagnostics (see LibraryMessages.h).
//
// ALSA and libwayland-client are not linked by the show: SDL opens them at
// run time. Their message hooks are set through the same shared objects,
// opened here first and kept open, so that SDL's later dlopen finds the
// hooks in place.
#include "app/LibraryMessages.h"

#include <dlfcn.h>
#include <glib.h>

#include <cstdarg>
#include <cstdlib>

namespace sunvale {

namespace {

using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int err,
                                  const char* fmt, ...);
using AlsaSetErrorHandler = int (*)(AlsaErrorHandler handler);

void DropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// libwayland-client, which SDL also opens at run time, complains about the
// environment before SDL falls back to X11.
using WaylandLogHandler = void (*)(const char* fmt, va_list args);
using WaylandSetLogHandler = void (*)(WaylandLogHandler handler);

void DropWaylandMessage(const char*, va_list) {}

// Errors and criticals of GLib-based libraries are programming faults or
// fatal; everything below goes nowhere.
GLogWriterOutput WriteImportantOnly(GLogLevelFlags level, const GLogField* fields, gsize count,
                                    gpointer userData)
{
    if (level & (G_LOG_LEVEL_ERROR | G_LOG_FLAG_FATAL))
        return g_log_writer_default(level, fields, count, userData);
    return G_LOG_WRITER_HANDLED;
}

void QuietAlsa()
{
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL);
    if (!alsa) return;  // no ALSA on this system: nothing to quieten
    auto setHandler =
        reinterpret_cast<AlsaSetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler) setHandler(&DropAlsaMessage);
}

void QuietWayland()
{
    void* wayland = dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_GLOBAL);
    if (!wayland) return;
    auto setHandler =
        reinterpret_cast<WaylandSetLogHandler>(dlsym(wayland, "wl_log_set_handler_client"));
    if (setHandler) setHandler(&DropWaylandMessage);
}

}  // namespace

void QuietLibraryMessages()
{
    if (std::getenv("G_MESSAGES_DEBUG")) return;
    QuietAlsa();
    QuietWayland();
    g_log_set_writer_func(&WriteImportantOnly, nullptr, nullptr);
}

}  // namespace sunvale
