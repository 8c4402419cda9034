// The stop signals' pipe, in child processes: a signal is recorded and makes
// the pipe readable without ending the process, the first one is the one
// recorded, and a signal ignored at start stays ignored.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "app/StopSignals.h"

namespace sunvale {
namespace {

bool Readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, 0) == 1 && (p.revents & POLLIN) != 0;
}

// Runs body in a child process; its exit status, or -1 when it was killed.
template <typename Body>
int InChild(Body body)
{
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid) return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(StopSignals, NothingBeforeInstalling)
{
    EXPECT_EQ(InChild([] { return StopSignalFd() == -1 && StopSignalNumber() == 0 ? 0 : 1; }), 0);
}

TEST(StopSignals, SigtermIsRecordedAndMakesThePipeReadableForGood)
{
    EXPECT_EQ(InChild([] {
                  if (!InstallStopSignals() || StopSignalFd() < 0) return 1;
                  if (Readable(StopSignalFd()) || StopSignalNumber() != 0) return 2;
                  raise(SIGTERM);  // the process carries on
                  if (StopSignalNumber() != SIGTERM) return 3;
                  // Every watcher sees it, however often it looks.
                  if (!Readable(StopSignalFd()) || !Readable(StopSignalFd())) return 4;
                  return 0;
              }),
              0);
}

TEST(StopSignals, TheFirstSignalIsTheOneRecorded)
{
    EXPECT_EQ(InChild([] {
                  if (!InstallStopSignals()) return 1;
                  raise(SIGINT);
                  raise(SIGTERM);
                  // More than the pipe holds: the handler never blocks on it.
                  const int capacity = fcntl(StopSignalFd(), F_GETPIPE_SZ);
                  for (int i = 0; i <= capacity; ++i) raise(SIGINT);
                  return StopSignalNumber() == SIGINT && Readable(StopSignalFd()) ? 0 : 2;
              }),
              0);
}

TEST(StopSignals, SecondInstallKeepsThePipe)
{
    EXPECT_EQ(InChild([] {
                  if (!InstallStopSignals()) return 1;
                  const int fd = StopSignalFd();
                  return InstallStopSignals() && StopSignalFd() == fd ? 0 : 2;
              }),
              0);
}

TEST(StopSignals, SignalIgnoredAtStartStaysIgnored)
{
    EXPECT_EQ(InChild([] {
                  signal(SIGINT, SIG_IGN);
                  if (!InstallStopSignals()) return 1;
                  raise(SIGINT);
                  return StopSignalNumber() == 0 && !Readable(StopSignalFd()) ? 0 : 2;
              }),
              0);
}

}  // namespace
}  // namespace sunvale
