// The tools' interrupt clean-up (see InterruptCleanup.h). The handler only
// reads fixed slots and calls unlink, signal and raise, all safe in a handler.
#include "InterruptCleanup.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <initializer_list>

namespace sunvale {

namespace {

// A slot is Free, being Filled by the thread that claimed it, or Armed: only
// an Armed slot's path is read by the handler.
enum SlotState : int { kFree = 0, kFilling = 1, kArmed = 2 };

struct Slot {
    std::atomic<int> state{kFree};
    char path[PATH_MAX];
};

Slot g_slots[PartialFile::kSlots];
static_assert(std::atomic<int>::is_always_lock_free, "the handler needs lock-free slots");

void OnInterrupt(int number)
{
    for (Slot& slot : g_slots)
        if (slot.state.load() == kArmed) unlink(slot.path);
    // Blocked while this handler runs: delivered with the default action
    // (the end of the process) as soon as it returns.
    signal(number, SIG_DFL);
    raise(number);
}

sigset_t InterruptSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

}  // namespace

void InstallInterruptCleanup()
{
    static bool installed = false;
    if (installed) return;
    installed = true;
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    action.sa_mask = InterruptSignals();  // one clean-up at a time
    for (int number : {SIGINT, SIGTERM}) {
        struct sigaction old {};
        if (sigaction(number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        sigaction(number, &action, nullptr);
    }
}

InterruptsHeld::InterruptsHeld()
{
    const sigset_t interrupts = InterruptSignals();
    pthread_sigmask(SIG_BLOCK, &interrupts, &saved_);
}

InterruptsHeld::~InterruptsHeld() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

bool PartialFile::Track(const std::string& path)
{
    Release();
    if (path.empty() || path.size() >= PATH_MAX) return false;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (!g_slots[i].state.compare_exchange_strong(expected, kFilling)) continue;
        std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
        g_slots[i].state.store(kArmed);
        slot_ = i;
        return true;
    }
    return false;
}

void PartialFile::Release()
{
    if (slot_ < 0) return;
    g_slots[slot_].state.store(kFree);
    slot_ = -1;
}

}  // namespace sunvale
