// The tools' interrupt clean-up, in child processes that the test signals:
// what is tracked is removed, what was released stays, the process ends by
// the signal itself, a held signal waits for its scope, an ignored one stays
// ignored.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <string>

#include "../../support/ScopedTempDir.h"
#include "InterruptCleanup.h"

namespace {

using sunvale::InterruptsHeld;
using sunvale::PartialFile;
using sunvale::testsupport::ScopedTempDir;
namespace fs = std::filesystem;

bool WriteText(const std::string& path, const char* text)
{
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    std::fputs(text, f);
    return std::fclose(f) == 0;
}

// A child that tells the parent through a pipe when it has reached a point,
// and can wait for the parent's word in turn.
class Child {
public:
    Child()
    {
        if (pipe(toParent_) != 0 || pipe(toChild_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(toParent_[0]);
            close(toChild_[1]);
        } else {
            close(toParent_[1]);
            close(toChild_[0]);
        }
    }
    bool InChild() const { return pid_ == 0; }
    bool Started() const { return pid_ > 0; }

    // Child side.
    void Tell() const
    {
        const char byte = 1;
        if (write(toParent_[1], &byte, 1) != 1) _exit(90);
    }
    void Await() const
    {
        char byte;
        if (read(toChild_[0], &byte, 1) != 1) _exit(91);
    }

    // Parent side.
    bool AwaitChild() const
    {
        char byte;
        return read(toParent_[0], &byte, 1) == 1;
    }
    void TellChild() const
    {
        const char byte = 1;
        EXPECT_EQ(write(toChild_[1], &byte, 1), 1);
    }
    int Wait() const
    {
        int status = 0;
        EXPECT_EQ(waitpid(pid_, &status, 0), pid_);
        close(toParent_[0]);
        close(toChild_[1]);
        return status;
    }
    void Signal(int number) const { EXPECT_EQ(kill(pid_, number), 0); }

private:
    int toParent_[2] = {-1, -1};
    int toChild_[2] = {-1, -1};
    pid_t pid_ = -1;
};

// Tracks "partial", writes and releases "finished", then waits for the
// signal; pause() never returns once the handler has run.
void ChildWritesAndWaits(const Child& child, const ScopedTempDir& dir)
{
    sunvale::InstallInterruptCleanup();
    PartialFile finished;
    if (!finished.Track(dir.File("finished")) || !WriteText(dir.File("finished"), "done"))
        _exit(92);
    finished.Release();
    PartialFile partial;
    if (!WriteText(dir.File("partial"), "half") || !partial.Track(dir.File("partial"))) _exit(93);
    child.Tell();
    for (;;) pause();
}

void ExpectInterruptRemovesOnlyTracked(int number)
{
    ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    Child child;
    if (child.InChild()) ChildWritesAndWaits(child, dir);
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(child.AwaitChild());
    ASSERT_TRUE(fs::exists(dir.File("partial")));
    child.Signal(number);
    const int status = child.Wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), number);
    EXPECT_FALSE(fs::exists(dir.File("partial")));
    EXPECT_TRUE(fs::exists(dir.File("finished")));
}

TEST(InterruptCleanup, SigtermRemovesTheTrackedFileAndEndsBySigterm)
{
    ExpectInterruptRemovesOnlyTracked(SIGTERM);
}

TEST(InterruptCleanup, SigintRemovesTheTrackedFileAndEndsBySigint)
{
    ExpectInterruptRemovesOnlyTracked(SIGINT);
}

// Signalled while held: the child runs on to the end of the scope (and
// proves it by a file), the tracked file is removed after that.
TEST(InterruptCleanup, HeldSignalWaitsForTheEndOfTheScope)
{
    ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    Child child;
    if (child.InChild()) {
        sunvale::InstallInterruptCleanup();
        PartialFile partial;
        {
            const InterruptsHeld held;
            if (!WriteText(dir.File("partial"), "half") || !partial.Track(dir.File("partial")))
                _exit(93);
            child.Tell();
            child.Await();
            if (!WriteText(dir.File("ran-on"), "yes")) _exit(94);
        }
        _exit(95);  // not reached: the held signal ends the process
    }
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(child.AwaitChild());
    child.Signal(SIGTERM);
    child.TellChild();
    const int status = child.Wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_TRUE(fs::exists(dir.File("ran-on")));
    EXPECT_FALSE(fs::exists(dir.File("partial")));
}

TEST(InterruptCleanup, SignalIgnoredAtStartStaysIgnored)
{
    ScopedTempDir dir;
    ASSERT_TRUE(dir.Valid());
    Child child;
    if (child.InChild()) {
        signal(SIGTERM, SIG_IGN);
        sunvale::InstallInterruptCleanup();
        PartialFile partial;
        if (!WriteText(dir.File("partial"), "half") || !partial.Track(dir.File("partial")))
            _exit(93);
        raise(SIGTERM);
        _exit(0);
    }
    ASSERT_TRUE(child.Started());
    const int status = child.Wait();
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(fs::exists(dir.File("partial")));
}

TEST(InterruptCleanup, SlotsRunOutAndReleasingFreesOne)
{
    PartialFile files[PartialFile::kSlots];
    for (PartialFile& file : files) EXPECT_TRUE(file.Track("/nonexistent/a"));
    PartialFile extra;
    EXPECT_FALSE(extra.Track("/nonexistent/b"));
    files[3].Release();
    EXPECT_TRUE(extra.Track("/nonexistent/b"));
    EXPECT_FALSE(extra.Track(std::string(5000, 'x')));  // longer than any path
}

}  // namespace
