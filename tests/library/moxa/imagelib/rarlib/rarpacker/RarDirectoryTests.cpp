// Header walker: valid listings, and every truncation or corruption of an
// archive is refused or read without leaving the buffer (see the ASan build).
#include <gtest/gtest.h>

#include "library/moxa/imagelib/rarlib/rarpacker/RarDirectory.h"
#include "library/moxa/imagelib/rarlib/rarpacker/RarPacker.h"

namespace sunvale {
namespace {

std::vector<uint8_t> SmallArchive() {
    std::vector<RarPackEntry> entries(2);
    entries[0].name = "data/texture/a.tga";
    entries[0].data.assign(500, 7);
    entries[1].name = "b";
    entries[1].data = {1, 2, 3};
    std::vector<uint8_t> archive;
    std::string error;
    RarPackOptions options;
    EXPECT_TRUE(PackRarArchive(entries, options, &archive, &error)) << error;
    return archive;
}

TEST(RarDirectory, ListsNamesSizesAndHeaderChecks) {
    std::vector<uint8_t> archive = SmallArchive();
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
    archive[dir.Entries()[0].dataOffset - 1] ^= 0x20;
    ASSERT_TRUE(dir.Read(archive.data(), archive.size(), &error));
    EXPECT_FALSE(dir.Entries()[0].headerCrcOk);
    EXPECT_TRUE(dir.Entries()[1].headerCrcOk);
}

TEST(RarDirectory, RefusesForeignMarkersAndEveryTruncation) {
    const std::vector<uint8_t> archive = SmallArchive();
    RarDirectory dir;
    std::string error;
    std::vector<uint8_t> bad = archive;
    bad[3] = 'X';
    EXPECT_FALSE(dir.Read(bad.data(), bad.size(), &error));
    // The end block is optional, so cutting exactly before it still lists.
    for (size_t n = 0; n + 7 < archive.size(); ++n) {
        std::vector<uint8_t> cut(archive.begin(), archive.begin() + static_cast<long>(n));
        const bool ok = dir.Read(cut.data(), cut.size(), &error);
        if (ok) {
            EXPECT_LE(dir.Entries().size(), 2u);
        }
    }
    // Sizes that point past the end are refused, not followed.
    bad = archive;
    bad[7 + 13 + 7] = 0xFF;  // PACK_SIZE of the first entry
    bad[7 + 13 + 10] = 0x7F;
    EXPECT_FALSE(dir.Read(bad.data(), bad.size(), &error));
    bad = archive;
    bad[7 + 13 + 5] = 8;  // HEAD_SIZE 8 < fixed file header
    bad[7 + 13 + 6] = 0;
    EXPECT_FALSE(dir.Read(bad.data(), bad.size(), &error));
}

}  // namespace
}  // namespace sunvale
