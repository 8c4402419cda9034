// Fatal set-up messages: a message box with no owner, caption "Error" and the
// information icon. Where no display can show a box, the text goes to
// standard error instead. A stop signal (StopSignals.h) closes an open box as
// if it had been answered, and no box opens after one. Tests install a
// handler to see what would be shown.
#pragma once

namespace sunvale {

// Shows text; returns 1 like the show's other error helpers.
int ShowError(const char* text);

// A start-up failure the user must see wherever they started the program:
// one line "sunvale: text" on standard error, and the same text in the box
// (or the handler). Main thread only, before the show's window exists.
// Returns 1.
int ReportStartupError(const char* text);

// Replaces the message box with handler (nullptr restores the box). For
// tests and offscreen tools, which must never block on a dialog.
using ErrorBoxHandler = void (*)(const char* text);
void SetErrorBoxHandler(ErrorBoxHandler handler);

}  // namespace sunvale
