// moxa a on existing archives, moxa d, and moxa x over existing files: no run
// may lose bytes the user had. Archives are cross-checked with unar.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "MoxaShell.h"
#include "support/ScopedTempDir.h"

namespace {

namespace fs = std::filesystem;

using moxatest::Quote;
using moxatest::Result;
using moxatest::RunShell;

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

class MoxaUpdate : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.Valid());
        std::string text;
        for (int i = 0; i < 600; ++i) text += "entry " + std::to_string(i % 70) + " of the log\n";
        std::string binary;
        for (int i = 0; i < 5000; ++i) binary += char((i * 7919) >> 3);
        files_ = {{"data/notes.txt", text}, {"data/pic.bin", binary}, {"data/empty", ""}};
        for (const auto& f : files_) Write(root_ / "in" / f.first, f.second);
    }

    // Runs moxa with the input folder as the working directory.
    Result Moxa(const std::string& args) const
    {
        return RunShell("cd " + Quote(root_ / "in") + " && " + MOXA_PATH + " " + args);
    }
    // Every file under `folder`, by its path relative to it.
    static std::map<std::string, std::string> Tree(const fs::path& folder)
    {
        std::map<std::string, std::string> tree;
        for (const auto& f : fs::recursive_directory_iterator(folder))
            if (f.is_regular_file()) tree[fs::relative(f.path(), folder).string()] = Read(f.path());
        return tree;
    }
    // What moxa x and unar each extract from the archive; both must agree.
    std::map<std::string, std::string> ExtractBoth(const std::string& archive)
    {
        const fs::path a = root_ / "moxa_out", b = root_ / "unar_out";
        fs::remove_all(a);
        fs::remove_all(b);
        EXPECT_EQ(Moxa("x " + archive + " -o " + Quote(a)).status, 0);
        EXPECT_EQ(
            RunShell("unar -q -f -D -o " + Quote(b) + " " + Quote(root_ / "in" / archive)).status,
            0);
        auto tree = Tree(a);
        EXPECT_EQ(tree, Tree(b));
        return tree;
    }

    sunvale::testsupport::ScopedTempDir dir_;
    fs::path root_ = dir_.Path();
    std::map<std::string, std::string> files_;
};

TEST_F(MoxaUpdate, AddToPlainArchiveKeepsOldBlocksAndReplacesSameName)
{
    ASSERT_EQ(Moxa("a -m3 t.rar data").status, 0);
    const std::string before = Read(root_ / "in/t.rar");
    Write(root_ / "in/data/notes.txt", "replaced text\n");
    Write(root_ / "in/extra/new.txt", "a new file\n");
    const Result r = Moxa("a -m1 t.rar data/notes.txt extra");
    ASSERT_EQ(r.status, 0) << r.out;

    const auto tree = ExtractBoth("t.rar");
    EXPECT_EQ(tree.size(), 4u);
    EXPECT_EQ(tree.at("data/notes.txt"), "replaced text\n");
    EXPECT_EQ(tree.at("data/pic.bin"), files_["data/pic.bin"]);
    EXPECT_EQ(tree.at("data/empty"), "");
    EXPECT_EQ(tree.at("extra/new.txt"), "a new file\n");
    // The kept packed entry is copied, not packed again at -m1: its whole block
    // (header and data) appears unchanged in the new archive.
    const std::string after = Read(root_ / "in/t.rar");
    const size_t pic = before.find("data\\pic.bin");
    ASSERT_NE(pic, std::string::npos);
    const size_t block = pic - 32;
    uint32_t packSize = 0;
    for (int i = 3; i >= 0; --i) packSize = packSize << 8 | uint8_t(before[block + 7 + i]);
    ASSERT_LE(block + 32 + 12 + packSize, before.size());
    const std::string picBlock = before.substr(block, 32 + 12 + packSize);
    EXPECT_NE(after.find(picBlock), std::string::npos);
}

TEST_F(MoxaUpdate, AddToSolidArchiveRepacksTheWholeStream)
{
    ASSERT_EQ(Moxa("a -s -m5 s.rar data").status, 0);
    Write(root_ / "in/data/pic.bin", "new picture bytes");
    Write(root_ / "in/more.txt", files_["data/notes.txt"] + "and one more line\n");
    ASSERT_EQ(Moxa("a s.rar data/pic.bin more.txt").status, 0);
    EXPECT_NE(Moxa("l s.rar").out.find("(solid)"), std::string::npos);

    const auto tree = ExtractBoth("s.rar");
    EXPECT_EQ(tree.size(), 4u);
    EXPECT_EQ(tree.at("data/notes.txt"), files_["data/notes.txt"]);
    EXPECT_EQ(tree.at("data/pic.bin"), "new picture bytes");
    EXPECT_EQ(tree.at("data/empty"), "");
    EXPECT_EQ(tree.at("more.txt"), files_["data/notes.txt"] + "and one more line\n");
}

TEST_F(MoxaUpdate, FailedAddLeavesTheArchiveByteIdentical)
{
    for (const char* solid : {"", "-s "}) {
        SCOPED_TRACE(solid);
        ASSERT_EQ(Moxa(std::string("a ") + solid + "t.rar data").status, 0);
        const std::string before = Read(root_ / "in/t.rar");
        // Opens, but every read fails (EIO): the run fails after other inputs
        // were read.
        Write(root_ / "in/ok.txt", "fine");
        EXPECT_EQ(Moxa("a t.rar ok.txt /proc/self/mem").status, 1);
        EXPECT_EQ(Read(root_ / "in/t.rar"), before);
        // No temporary file is left beside it.
        size_t files = 0;
        for (const auto& f : fs::directory_iterator(root_ / "in")) files += f.is_regular_file();
        EXPECT_EQ(files, 2u);
        fs::remove(root_ / "in/t.rar");
    }
}

TEST_F(MoxaUpdate, AddRefusesFilesOfOtherFormats)
{
    for (const std::string& junk : {std::string("not an archive at all"), std::string(),
                                    std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10),
                                    std::string("Rar!\x1a\x07\x00", 7)}) {
        Write(root_ / "in/j.rar", junk);
        const Result r = Moxa("a j.rar data");
        EXPECT_EQ(r.status, 1) << r.out;
        EXPECT_EQ(Read(root_ / "in/j.rar"), junk);
    }
}

TEST_F(MoxaUpdate, DeleteKeepsTheOtherEntries)
{
    for (const char* switches : {"-m3", "-s -m3"}) {
        SCOPED_TRACE(switches);
        ASSERT_EQ(Moxa(std::string("a ") + switches + " t.rar data").status, 0);
        const std::string before = Read(root_ / "in/t.rar");
        // No such name: nothing is written.
        EXPECT_EQ(Moxa("d t.rar data/none").status, 1);
        EXPECT_EQ(Read(root_ / "in/t.rar"), before);

        ASSERT_EQ(Moxa("d t.rar DATA/NOTES.TXT").status, 0);
        const auto tree = ExtractBoth("t.rar");
        EXPECT_EQ(tree.size(), 2u);
        EXPECT_EQ(tree.at("data/pic.bin"), files_["data/pic.bin"]);
        EXPECT_EQ(tree.count("data/notes.txt"), 0u);
        fs::remove(root_ / "in/t.rar");
    }
}

TEST_F(MoxaUpdate, ExtractNeverOverwritesUnasked)
{
    ASSERT_EQ(Moxa("a t.rar data").status, 0);
    const fs::path out = root_ / "out";
    Write(out / "data/notes.txt", "edited by the user");
    const std::string x = "x t.rar -o " + Quote(out);

    // Default: kept and reported, the rest extracted, status 1.
    Result r = Moxa(x);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("kept existing"), std::string::npos) << r.out;
    EXPECT_EQ(Read(out / "data/notes.txt"), "edited by the user");
    EXPECT_EQ(Read(out / "data/pic.bin"), files_["data/pic.bin"]);

    // -s: kept silently, status 0.
    r = Moxa("x -s t.rar -o " + Quote(out));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("kept existing"), std::string::npos) << r.out;
    EXPECT_EQ(Read(out / "data/notes.txt"), "edited by the user");

    // -f: overwritten; a link in the way is replaced, its target untouched.
    Write(root_ / "elsewhere.txt", "not to be written");
    fs::remove(out / "data/pic.bin");
    fs::create_symlink(root_ / "elsewhere.txt", out / "data/pic.bin");
    r = Moxa("x -f t.rar -o " + Quote(out));
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(Read(out / "data/notes.txt"), files_["data/notes.txt"]);
    EXPECT_FALSE(fs::is_symlink(out / "data/pic.bin"));
    EXPECT_EQ(Read(out / "data/pic.bin"), files_["data/pic.bin"]);
    EXPECT_EQ(Read(root_ / "elsewhere.txt"), "not to be written");
}

TEST_F(MoxaUpdate, HelpDocumentsSwitchesAndExitStatuses)
{
    const Result help = Moxa("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* text : {"  d ", "-f", "-s", "exit status", "  0 ", "  1 ", "  2 "})
        EXPECT_NE(help.out.find(text), std::string::npos) << text;
    EXPECT_EQ(Moxa("x -q t.rar").status, 2);
    EXPECT_EQ(Moxa("d t.rar").status, 2);
}

}  // namespace
