// Encrypted entries: decrypted with the right password, garbage otherwise,
// and the old cipher versions logged and left as read.
#include <gtest/gtest.h>

#include "RarExtractHelper.h"
#include "RarTestStream.h"
#include "library/moxa/imagelib/rarlib/rarreader/RarCipher.h"

using namespace rartest;

namespace {

TestEntry EncryptedStored(const std::vector<uint8_t>& content, const char* password,
                          uint8_t version) {
  TestEntry e = StoredEntry("secret.bin", content);
  sunvale::RarCipher cipher;
  cipher.InitCipher(password);
  for (size_t i = 0; i + 16 <= e.data.size(); i += 16) cipher.EncryptBlock(e.data.data() + i);
  e.flags |= 0x0004;
  e.unpVer = version;
  return e;
}

}  // namespace

TEST(RarEncryptedEntry, RightPasswordDecryptsWrongOneFailsCrc) {
  std::vector<uint8_t> content(16 * 64);
  for (size_t i = 0; i < content.size(); ++i) content[i] = uint8_t(i ^ (i >> 3));
  const auto archive = BuildArchive({EncryptedStored(content, "open sesame", 20)});
  const auto ok = ExtractFrom(archive, "secret.bin", "open sesame");
  ASSERT_EQ(ok.rc, 1) << ok.log;
  EXPECT_EQ(ok.bytes, content);
  EXPECT_EQ(ExtractFrom(archive, "secret.bin", "wrong").rc, 0);
  // The show's empty password never decrypts.
  EXPECT_EQ(ExtractFrom(archive, "secret.bin", "").rc, 0);
}

TEST(RarEncryptedEntry, OldCipherVersionIsLoggedAndDataUsedAsRead) {
  const std::vector<uint8_t> content(48, 'p');
  TestEntry e = StoredEntry("secret.bin", content);
  e.flags |= 0x0004;
  e.unpVer = 15;
  const auto r = ExtractFrom(BuildArchive({e}), "secret.bin", "pw");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.bytes, content);
  EXPECT_NE(r.log.find("Old Crypt() not supported!"), std::string::npos);
}
