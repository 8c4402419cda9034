// Finding and checking the show's data: the search order, and one refusal per
// kind of unusable file (missing, folder, empty, truncated, other format).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/DataLocation.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarReader.h"
#include "support/ScopedTempDir.h"

namespace sunvale {
namespace {

using testsupport::ScopedTempDir;

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes, size_t count)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(count));
}

// The generated show data in the build folder, the tests' working directory.
const std::vector<uint8_t>& ShowData()
{
    static const std::vector<uint8_t> bytes = ReadBytes("data.rar");
    return bytes;
}

class DataLocationTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.Valid());
        if (ShowData().size() < 1000) GTEST_SKIP() << "no data.rar in the working directory";
    }
    std::string Good(const std::string& name)
    {
        std::string path = dir.File(name);
        WriteBytes(path, ShowData(), ShowData().size());
        return path;
    }
    ScopedTempDir dir;
};

TEST(DataSearchPlaces, WorkingDirectoryThenExecutableFolderThenInstalledDataFolder)
{
    const std::vector<std::string> places = DataSearchPlaces("", "/opt/sv/bin");
    ASSERT_EQ(places.size(), 3u);
    EXPECT_EQ(places[0], "./data.rar");
    EXPECT_EQ(places[1], "/opt/sv/bin/data.rar");
    EXPECT_EQ(places[2], "/opt/sv/bin/../share/sunvale/data.rar");
    EXPECT_EQ(DataSearchPlaces("", "/").at(1), "/data.rar");
    EXPECT_EQ(DataSearchPlaces("", "").size(), 1u);
}

TEST(DataSearchPlaces, ExplicitPathIsTheOnlyPlace)
{
    const std::vector<std::string> places = DataSearchPlaces("my.rar", "/opt/sv/bin");
    ASSERT_EQ(places.size(), 1u);
    EXPECT_EQ(places[0], "my.rar");
}

TEST_F(DataLocationTest, GeneratedDataPasses)
{
    std::string reason;
    EXPECT_TRUE(CheckShowArchive(Good("data.rar"), &reason)) << reason;
}

TEST_F(DataLocationTest, EachKindOfUnusableFileIsRefusedWithItsReason)
{
    std::string reason;
    EXPECT_FALSE(CheckShowArchive(dir.File("missing.rar"), &reason));
    EXPECT_EQ(reason, "no such file");

    ASSERT_EQ(mkdir(dir.File("folder.rar").c_str(), 0700), 0);
    EXPECT_FALSE(CheckShowArchive(dir.File("folder.rar"), &reason));
    EXPECT_EQ(reason, "is a directory");

    WriteBytes(dir.File("empty.rar"), ShowData(), 0);
    EXPECT_FALSE(CheckShowArchive(dir.File("empty.rar"), &reason));
    EXPECT_EQ(reason, "empty");

    const std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13,
                                      'I',  'H', 'D', 'R', 0,    0,    0,    1,    0, 0, 0, 1};
    WriteBytes(dir.File("picture.rar"), png, png.size());
    EXPECT_FALSE(CheckShowArchive(dir.File("picture.rar"), &reason));
    EXPECT_EQ(reason, "not a RAR 2.x archive");

    // Only the marker and archive header: a valid start without any file.
    WriteBytes(dir.File("header.rar"), ShowData(), 20);
    EXPECT_FALSE(CheckShowArchive(dir.File("header.rar"), &reason));
}

TEST_F(DataLocationTest, TruncationsInsideTheFirstBlocksAndTheLastAreRefused)
{
    // Cut points in the marker, the archive header, the first file header,
    // the first file's data and the last byte.
    const size_t size = ShowData().size();
    for (size_t cut :
         {size_t(3), size_t(10), size_t(25), size_t(40), size_t(200), size / 2, size - 1}) {
        const std::string path = dir.File("cut-" + std::to_string(cut) + ".rar");
        WriteBytes(path, ShowData(), cut);
        std::string reason;
        EXPECT_FALSE(CheckShowArchive(path, &reason)) << "cut at " << cut;
        EXPECT_FALSE(reason.empty());
    }
}

TEST_F(DataLocationTest, FirstExistingPlaceIsUsedEvenWhenALaterOneIsAlsoGood)
{
    const std::string first = Good("first.rar");
    const std::string second = Good("second.rar");
    std::string found, message;
    ASSERT_TRUE(LocateShowData({dir.File("none.rar"), first, second}, &found, &message));
    EXPECT_EQ(found, first);
}

TEST_F(DataLocationTest, BrokenFirstFileIsReportedNotPassedOver)
{
    WriteBytes(dir.File("broken.rar"), ShowData(), 100);
    const std::string good = Good("good.rar");
    std::string found, message;
    EXPECT_FALSE(
        LocateShowData({dir.File("none.rar"), dir.File("broken.rar"), good}, &found, &message));
    EXPECT_TRUE(found.empty());
    EXPECT_NE(message.find(dir.File("broken.rar") + " is not usable"), std::string::npos)
        << message;
    EXPECT_NE(message.find("searched " + dir.File("none.rar") + ", " + dir.File("broken.rar")),
              std::string::npos)
        << message;
    EXPECT_EQ(message.find(good), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos);
}

TEST_F(DataLocationTest, NothingFoundNamesEveryPlaceAndTheCommandThatMakesTheData)
{
    std::string found, message;
    EXPECT_FALSE(LocateShowData({dir.File("a.rar"), dir.File("b.rar")}, &found, &message));
    EXPECT_NE(message.find(dir.File("a.rar") + ", " + dir.File("b.rar")), std::string::npos)
        << message;
    EXPECT_NE(message.find("sunvale-datagen"), std::string::npos) << message;
    EXPECT_EQ(message.find('\n'), std::string::npos);
}

TEST_F(DataLocationTest, ArchiveLocationRedirectsOnlyItsOwnName)
{
    const std::string elsewhere = Good("elsewhere.rar");
    unsigned char* data = nullptr;
    uint32_t size = 0;
    const char* member = "data/music/marmalux.mp3";
    EXPECT_EQ(RarExtract(&data, &size, member, "no-such-show.rar", ""), 0);

    SetRarArchiveLocation("no-such-show.rar", elsewhere.c_str());
    ASSERT_EQ(RarExtract(&data, &size, member, "no-such-show.rar", ""), 1);
    EXPECT_GT(size, 0u);
    std::free(data);
    EXPECT_EQ(RarExtract(&data, &size, member, "other.rar", ""), 0);

    SetRarArchiveLocation(nullptr, nullptr);
    EXPECT_EQ(RarExtract(&data, &size, member, "no-such-show.rar", ""), 0);
}

TEST(ExecutableDir, IsTheFolderOfThisTestProgram)
{
    const std::string dir = ExecutableDir();
    ASSERT_FALSE(dir.empty());
    struct stat info {};
    EXPECT_EQ(stat((dir + "/app_tests").c_str(), &info), 0) << dir;
}

}  // namespace
}  // namespace sunvale
