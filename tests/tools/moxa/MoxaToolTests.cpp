// End-to-end checks of the moxa archive commands: create, list, extract,
// print and test, their exit codes and their answers to bad input; every
// archive moxa writes is also extracted by unar.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "MoxaShell.h"
#include "support/ScopedTempDir.h"

namespace {

namespace fs = std::filesystem;

using moxatest::Result;

// Runs a shell command line, capturing standard output and the exit status.
Result RunShell(const std::string& command) { return moxatest::RunShell(command, false); }

std::string Moxa() { return MOXA_PATH; }

void Write(const fs::path& p, const std::string& bytes)
{
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string Read(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class MoxaTool : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.Valid());
        fs::create_directories(root_ / "in" / "data" / "texture");
        std::string text;
        for (int i = 0; i < 400; ++i)
            text += "line " + std::to_string(i % 50) + " of the sunvale notes\n";
        std::string binary;
        for (int i = 0; i < 3000; ++i) binary += static_cast<char>((i * 7919) >> 3);
        files_ = {{"data/notes.txt", text}, {"data/texture/pic.bin", binary}, {"data/empty", ""}};
        for (const auto& f : files_) Write(root_ / "in" / f.first, f.second);
    }
    std::string Cd() const { return "cd '" + root_.string() + "/in' && "; }

    sunvale::testsupport::ScopedTempDir dir_;
    fs::path root_ = dir_.Path();
    std::vector<std::pair<std::string, std::string>> files_;
};

TEST_F(MoxaTool, CreatesListsExtractsPrintsAndTests)
{
    for (const char* switches : {"-m3", "-m5 -s", "-m0", "-m1 -mm-"}) {
        SCOPED_TRACE(switches);
        fs::remove_all(root_ / "out");
        ASSERT_EQ(RunShell(Cd() + Moxa() + " a " + switches + " ../t.rar data").status, 0);

        const Result list = RunShell(Moxa() + " l " + (root_ / "t.rar").string());
        ASSERT_EQ(list.status, 0);
        EXPECT_NE(list.out.find("data\\texture\\pic.bin"), std::string::npos);
        EXPECT_NE(list.out.find("3 entries"), std::string::npos);
        EXPECT_NE(list.out.find(std::string(" 20 ")), std::string::npos);  // UNP_VER

        ASSERT_EQ(RunShell(Moxa() + " t " + (root_ / "t.rar").string()).status, 0);
        ASSERT_EQ(RunShell(Moxa() + " x " + (root_ / "t.rar").string() + " -o " +
                           (root_ / "out").string())
                      .status,
                  0);
        for (const auto& f : files_) EXPECT_EQ(Read(root_ / "out" / f.first), f.second) << f.first;

        const Result print =
            RunShell(Moxa() + " p " + (root_ / "t.rar").string() + " DATA/NOTES.TXT");
        EXPECT_EQ(print.status, 0);
        EXPECT_EQ(print.out, files_[0].second);

        fs::remove_all(root_ / "unar");
        ASSERT_EQ(RunShell("unar -q -f -D -o '" + (root_ / "unar").string() + "' '" +
                           (root_ / "t.rar").string() + "'")
                      .status,
                  0);
        for (const auto& f : files_) EXPECT_EQ(Read(root_ / "unar" / f.first), f.second) << f.first;
    }
}

TEST_F(MoxaTool, ExtractsOnlyNamedEntriesAndFailsOnMissingOnes)
{
    ASSERT_EQ(RunShell(Cd() + Moxa() + " a ../t.rar data").status, 0);
    const std::string archive = (root_ / "t.rar").string();
    ASSERT_EQ(
        RunShell(Moxa() + " x " + archive + " data\\\\notes.txt -o " + (root_ / "one").string())
            .status,
        0);
    EXPECT_EQ(Read(root_ / "one/data/notes.txt"), files_[0].second);
    EXPECT_FALSE(fs::exists(root_ / "one/data/texture/pic.bin"));
    // One missing name fails the run, while the present one is still written.
    EXPECT_EQ(RunShell(Moxa() + " x " + archive + " data/nothing data/empty -o " +
                       (root_ / "two").string())
                  .status,
              1);
    EXPECT_TRUE(fs::exists(root_ / "two/data/empty"));
    EXPECT_EQ(RunShell(Moxa() + " p " + archive + " data/nothing").status, 1);
}

TEST_F(MoxaTool, RefusesBadInputWithErrorStatus)
{
    EXPECT_EQ(RunShell(Moxa() + " frobnicate").status, 2);
    EXPECT_EQ(RunShell(Moxa()).status, 2);
    EXPECT_EQ(RunShell(Moxa() + " a -m9 x.rar data").status, 2);
    EXPECT_EQ(RunShell(Moxa() + " a only.rar").status, 2);
    EXPECT_EQ(RunShell(Cd() + Moxa() + " a ../t.rar no-such-file").status, 1);
    EXPECT_EQ(RunShell(Moxa() + " l " + (root_ / "missing.rar").string()).status, 1);
    Write(root_ / "junk.rar", "not an archive at all");
    EXPECT_EQ(RunShell(Moxa() + " l " + (root_ / "junk.rar").string()).status, 1);
    EXPECT_EQ(RunShell(Moxa() + " t " + (root_ / "junk.rar").string()).status, 1);
    EXPECT_EQ(
        RunShell(Moxa() + " x " + (root_ / "junk.rar").string() + " -o " + (root_ / "o").string())
            .status,
        1);

    const Result help = RunShell(Moxa() + " --help");
    EXPECT_EQ(help.status, 0);
    for (const char* cmd : {"  a ", "  l ", "  x ", "  p ", "  t "})
        EXPECT_NE(help.out.find(cmd), std::string::npos) << cmd;
}

TEST_F(MoxaTool, TestReportsDamagedEntries)
{
    ASSERT_EQ(RunShell(Cd() + Moxa() + " a -m3 ../t.rar data").status, 0);
    std::string bytes = Read(root_ / "t.rar");
    // Flip a byte inside the last packed entry's data (before the end block).
    ASSERT_GT(bytes.size(), 40u);
    bytes[bytes.size() - 12] = static_cast<char>(bytes[bytes.size() - 12] ^ 0x55);
    Write(root_ / "bad.rar", bytes);
    const Result t = RunShell(Moxa() + " t " + (root_ / "bad.rar").string());
    EXPECT_EQ(t.status, 1);
    EXPECT_NE(t.out.find("FAILED"), std::string::npos);
}

}  // namespace
