// Header walker: valid listings, and every truncation or corruption of an
// archive is refused or read without leaving the buffer (see the ASan build).
#include <gtest/gtest.h>

#include "RarTestData.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace sunvale {
namespace {

TEST(RarDirectory, ListsEntriesAndRefusesBrokenArchives)
{
    const std::vector<RarPackEntry> entries = {
        {"data/texture/a.tga", std::vector<uint8_t>(500, 7), 0}, {"b", {1, 2, 3}, 0}};
    std::vector<uint8_t> archive;
    ASSERT_EQ(rartest::RoundTrip("dir.rar", entries, RarPackOptions{}, &archive), "");
    RarDirectory dir;
    std::string error;
    ASSERT_TRUE(dir.Read(archive.data(), archive.size(), &error)) << error;
    ASSERT_EQ(dir.Entries().size(), 2u);
    EXPECT_EQ(dir.Entries()[0].name, "data\\texture\\a.tga");
    EXPECT_EQ(dir.Entries()[0].unpSize, 500u);
    EXPECT_EQ(dir.Entries()[1].method, 0x30);
    EXPECT_TRUE(dir.Entries()[0].headerCrcOk);
    EXPECT_FALSE(dir.Solid());
    // A flipped name byte breaks only that header's CRC.
    std::vector<uint8_t> bad = archive;
    bad[dir.Entries()[0].dataOffset - 1] ^= 0x20;
    ASSERT_TRUE(dir.Read(bad.data(), bad.size(), &error));
    EXPECT_FALSE(dir.Entries()[0].headerCrcOk);
    EXPECT_TRUE(dir.Entries()[1].headerCrcOk);
    // Every prefix (the end block is optional) is refused or lists fewer.
    for (size_t n = 0; n < archive.size(); ++n) {
        const std::vector<uint8_t> cut(archive.begin(), archive.begin() + static_cast<long>(n));
        EXPECT_LE(dir.Read(cut.data(), cut.size(), &error) ? dir.Entries().size() : 0u, 2u);
    }
    // A foreign marker, sizes that point past the end and a HEAD_SIZE below
    // the fixed file header are refused, not followed.
    const std::vector<std::pair<size_t, uint8_t>> corruptions[] = {
        {{3, 'X'}}, {{7 + 13 + 7, 0xFF}, {7 + 13 + 10, 0x7F}}, {{7 + 13 + 5, 8}, {7 + 13 + 6, 0}}};
    for (const auto& changes : corruptions) {
        bad = archive;
        for (const auto& [at, value] : changes) bad[at] = value;
        EXPECT_FALSE(dir.Read(bad.data(), bad.size(), &error)) << changes[0].first;
    }
}

}  // namespace
}  // namespace sunvale
