// The stop signals' self-pipe (see StopSignals.h).
#include "app/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <initializer_list>

namespace sunvale {

namespace {

// Both ends are set once, before the handlers exist; the handler reads them.
int g_readFd = -1;
int g_writeFd = -1;
std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs a lock-free flag");

// Async-signal-safe only: an atomic store and one write. The first byte is
// enough to make the pipe readable; later ones are dropped on a full pipe.
void OnStopSignal(int number)
{
    const int savedErrno = errno;
    int expected = 0;
    g_signal.compare_exchange_strong(expected, number);
    const char byte = 1;
    if (write(g_writeFd, &byte, 1) < 0) {
        // Full (nonblocking) pipe: it is readable already.
    }
    errno = savedErrno;
}

bool WasIgnored(int number)
{
    struct sigaction old {};
    return sigaction(number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN;
}

}  // namespace

int InstallStopSignals()
{
    if (g_readFd >= 0) return 1;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return 0;
    g_readFd = fds[0];
    g_writeFd = fds[1];
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM})
        if (!WasIgnored(number)) sigaction(number, &action, nullptr);
    return 1;
}

int StopSignalFd() { return g_readFd; }

int StopSignalNumber() { return g_signal.load(); }

}  // namespace sunvale
