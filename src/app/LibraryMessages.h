// Keeps the libraries' own diagnostics off the terminal: ALSA's lines about
// missing sound cards, libwayland's about its environment and GLib/GTK warnings that mean nothing
// to a user of the show. The show's own messages are unaffected. Setting G_MESSAGES_DEBUG (GLib's
// own switch) lets everything through again, for debugging.
#pragma once

namespace sunvale {

// Call once, first thing in main, before SDL or GTK start.
void QuietLibraryMessages();

}  // namespace sunvale
