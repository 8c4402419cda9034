// moxa x, t and p on archives that test the one-pass path: names that would
// leave the output folder, damaged entries among sound ones, a solid archive
// of 1,000 entries, and the peak memory of a 300 MiB entry.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "../../library/moxa/imagelib/rarlib/rarreader/RarTestArchive.h"
#include "LongRunArchive.h"
#include "MoxaShell.h"
#include "support/ScopedTempDir.h"

namespace {

namespace fs = std::filesystem;

using moxatest::Quote;
using moxatest::Result;
using moxatest::RunShell;

// Runs moxa with `args` (output to /dev/null) and returns its exit status and
// peak resident size in KiB.
std::pair<int, long> RunMeasured(const std::vector<std::string>& args)
{
    const pid_t pid = fork();
    if (pid == 0) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(MOXA_PATH));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (!freopen("/dev/null", "w", stdout) || !freopen("/dev/null", "w", stderr)) _exit(126);
        execv(MOXA_PATH, argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage {};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return {-1, 0};
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss};
}

void WriteBytes(const fs::path& p, const std::vector<uint8_t>& bytes)
{
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string Read(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class MoxaStream : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.Valid()); }

    sunvale::testsupport::ScopedTempDir dir_;
    fs::path root_ = dir_.Path();
};

TEST_F(MoxaStream, RefusesNamesThatLeaveTheOutputFolder)
{
    const std::vector<uint8_t> evil = rartest::Text("escaped");
    const std::vector<uint8_t> fine = rartest::Text("stays inside");
    const std::vector<uint8_t> archive = rartest::BuildArchive({
        rartest::StoredEntry("..\\x", evil),
        rartest::StoredEntry("a/../../x", evil),
        rartest::StoredEntry("C:\\x", evil),
        rartest::StoredEntry("c:x", evil),
        rartest::StoredEntry("sub\\..\\..\\..\\x", evil),
        rartest::StoredEntry("\\rooted\\y", fine),
        rartest::StoredEntry("ok\\z", fine),
    });
    WriteBytes(root_ / "evil.rar", archive);
    const fs::path out = root_ / "deep" / "out";
    fs::create_directories(out);
    const Result r =
        RunShell(std::string(MOXA_PATH) + " x " + Quote(root_ / "evil.rar") + " -o " + Quote(out));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("unsafe"), std::string::npos) << r.out;
    // Only the two safe names were written, both inside the folder; an
    // absolute name becomes relative.
    size_t files = 0;
    for (const auto& f : fs::recursive_directory_iterator(root_))
        if (f.is_regular_file()) ++files;
    EXPECT_EQ(files, 3u);  // evil.rar and the two
    EXPECT_EQ(Read(out / "rooted/y"), "stays inside");
    EXPECT_EQ(Read(out / "ok/z"), "stays inside");
}

TEST_F(MoxaStream, DamagedEntryFailsAloneAndItsFileIsRemovedUnlessKept)
{
    const std::vector<uint8_t> a = rartest::Text(std::string(20000, 'a') + "end of a");
    std::vector<uint8_t> b;
    for (int i = 0; i < 30000; ++i) b.push_back(uint8_t("the quick brown fox "[i % 20] + i / 997));
    std::vector<uint8_t> badPacked = rartest::PackStream(b);
    badPacked[badPacked.size() / 2] ^= 0x21;
    const std::vector<uint8_t> archive = rartest::BuildArchive(
        {rartest::StoredEntry("first.txt", a), rartest::PackedEntry("second.txt", badPacked, b),
         rartest::PackedEntry("third.txt", rartest::PackStream(a), a)});
    WriteBytes(root_ / "bad.rar", archive);
    const std::string moxa = std::string(MOXA_PATH) + " ";

    Result r = RunShell(moxa + "x " + Quote(root_ / "bad.rar") + " -o " + Quote(root_ / "o1"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("second.txt"), std::string::npos) << r.out;
    EXPECT_EQ(Read(root_ / "o1/first.txt"), std::string(a.begin(), a.end()));
    EXPECT_EQ(Read(root_ / "o1/third.txt"), std::string(a.begin(), a.end()));
    EXPECT_FALSE(fs::exists(root_ / "o1/second.txt"));

    r = RunShell(moxa + "x -k " + Quote(root_ / "bad.rar") + " -o " + Quote(root_ / "o2"));
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(fs::exists(root_ / "o2/second.txt"));

    r = RunShell(moxa + "t " + Quote(root_ / "bad.rar"));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("FAILED second.txt"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("2 of 3 entries OK"), std::string::npos) << r.out;

    r = RunShell(moxa + "p " + Quote(root_ / "bad.rar") + " third.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string(a.begin(), a.end()));
    EXPECT_EQ(RunShell(moxa + "p " + Quote(root_ / "bad.rar") + " second.txt").status, 1);
}

TEST_F(MoxaStream, TestRunsTheUnpackerOnceOverASolidArchive)
{
    fs::create_directories(root_ / "in");
    for (int i = 0; i < 1000; ++i)
        std::ofstream(root_ / "in" / ("f" + std::to_string(1000 + i) + ".txt"))
            << "entry " << i << " of a thousand, " << std::string(size_t(i % 50), 'x') << "\n";
    ASSERT_EQ(RunShell("cd " + Quote(root_) + " && " + MOXA_PATH + " a -s -m3 s.rar in").status, 0);
    const Result r = RunShell(std::string(MOXA_PATH) + " t -v " + Quote(root_ / "s.rar"));
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("1000 of 1000 entries OK"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1000 entries decoded, 1 stream starts"), std::string::npos) << r.out;

    // One name asked for: extracted, and the run stops after it.
    const Result x = RunShell(std::string(MOXA_PATH) + " x " + Quote(root_ / "s.rar") +
                              " in/f1500.txt -o " + Quote(root_ / "out"));
    EXPECT_EQ(x.status, 0) << x.out;
    EXPECT_EQ(Read(root_ / "out/in/f1500.txt"), Read(root_ / "in/f1500.txt"));
}

TEST_F(MoxaStream, LargeEntryStaysWithinBoundedMemory)
{
    constexpr uint32_t kSize = 300u << 20;
    WriteBytes(root_ / "long.rar", moxatest::LongRunArchive("long.txt", kSize));
    // The window (1 MiB), the input and stdio buffers and the executable:
    // far below the entry's size.
    constexpr long kBoundKiB = 64 * 1024;
    const std::string archive = (root_ / "long.rar").string();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"t", archive},
          std::vector<std::string>{"p", archive, "long.txt"},
          std::vector<std::string>{"x", archive, "-o", (root_ / "out").string()}}) {
        SCOPED_TRACE(args[0]);
        const auto [status, peakKiB] = RunMeasured(args);
        EXPECT_EQ(status, 0);
        EXPECT_GT(peakKiB, 0);
        EXPECT_LT(peakKiB, kBoundKiB);
    }
    EXPECT_EQ(fs::file_size(root_ / "out/long.txt"), kSize);
    std::ifstream in(root_ / "out/long.txt", std::ios::binary);
    in.seekg(kSize - 100);
    char tail[100];
    in.read(tail, 100);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(uint8_t(tail[i]), moxatest::LongRunByte(kSize - 100 + uint64_t(i))) << i;
}

}  // namespace
