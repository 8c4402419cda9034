// The tools' interrupt clean-up (see InterruptCleanup.h). The handler only
// reads fixed slots and calls unlink, signal and raise, all safe in a handler.
#include "InterruptCleanup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>

namespace fs = std::filesystem;

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

bool ReplaceFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes,
                           std::string* error)
{
    const fs::path target(path);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    // An interrupt from here to the rename removes the temporary file.
    PartialFile partial;
    int fd;
    {
        const InterruptsHeld held;
        fd = mkstemp(temp.data());
        if (fd >= 0) partial.Track(temp);
    }
    if (fd < 0) {
        *error = "cannot create a temporary file beside " + path;
        return false;
    }
    // mkstemp creates 0600; take the old file's mode, or the umask's default.
    struct stat old {};
    mode_t mode;
    if (stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = fchmod(fd, mode) == 0;
    for (size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) ok = false;
        done += n > 0 ? size_t(n) : 0;
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    const InterruptsHeld held;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        *error = "cannot write " + path + " (left unchanged)";
        return false;
    }
    partial.Release();
    return true;
}

}  // namespace sunvale
