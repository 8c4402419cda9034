// SIGINT and SIGTERM as a request to stop the show. The handler only records
// the request and makes a pipe readable; every loop that can block (the
// configuration dialog, an error box, the window's event loop) watches that
// pipe and ends the way its own Cancel or close would, so the normal
// clean-up runs on the thread that owns it.
#pragma once

namespace sunvale {

// Installs the handlers for SIGINT and SIGTERM, once per process; a signal
// that was ignored when the process started stays ignored, as a shell's
// background job expects. Call first in main, before any thread exists.
// 1, or 0 when the pipe cannot be made (the signals keep their default).
int InstallStopSignals();

// Read end of the pipe: readable from the first stop signal on, and never
// drained, so any number of watchers see it. -1 until InstallStopSignals.
int StopSignalFd();

// Number of the first stop signal received (SIGINT or SIGTERM), 0 when none.
int StopSignalNumber();

}  // namespace sunvale
