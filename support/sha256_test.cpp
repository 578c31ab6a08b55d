// SHA-256: the standard's test vectors, streaming in every split, agreement
// with sha256sum, and the file digest's refusals.
#include "support/sha256.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "testing/test_support.h"

using testsupport::TempDir;

TEST(Sha256, StandardTestVectors) {
  const std::pair<std::string, const char*> vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopq"
       "rst"
       "nopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& [message, digest] : vectors) EXPECT_EQ(sha256Hex(message), digest) << message.size();
}

// Every way of cutting a message into two updates, around the block and
// padding boundaries, gives the digest of the whole; final() starts afresh.
TEST(Sha256, AnySplitOfTheStreamGivesTheSameDigest) {
  std::string message;
  for (int i = 0; i < 130; ++i) message += static_cast<char>(i * 7);
  for (std::size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 130u}) {
    const std::string whole = sha256Hex(message.substr(0, length));
    Sha256 hash;
    for (std::size_t cut = 0; cut <= length; ++cut) {
      hash.update(message.data(), cut);
      hash.update(message.data() + cut, length - cut);
      ASSERT_EQ(hash.finalHex(), whole) << length << " cut at " << cut;
    }
  }
}

TEST(Sha256, AgreesWithSha256sumOnRandomFiles) {
  if (testsupport::runIn("/", "command -v sha256sum").exitCode != 0) GTEST_SKIP() << "no sha256sum";
  TempDir dir;
  std::mt19937 random(20240501);
  for (std::size_t size :
       {0u, 1u, 55u, 56u, 63u, 64u, 65u, 111u, 112u, 4096u, 65535u, 65536u, 65537u, 300001u}) {
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    const std::string path = dir / ("f" + std::to_string(size));
    testsupport::writeFile(path, bytes);
    const testsupport::RunResult sum = testsupport::runIn(dir.path(), "sha256sum f" + std::to_string(size));
    ASSERT_EQ(sum.exitCode, 0);
    const FileDigest digest = sha256OfFile(path, size);
    EXPECT_EQ(digest.hex, sum.out.substr(0, 64)) << size;
    EXPECT_EQ(digest.reason, "");
  }
}

TEST(Sha256, FilesThatAreNotPlainRegularFilesWithinTheBoundGiveNoDigest) {
  TempDir dir;
  testsupport::writeFile(dir / "file", "0123456789");
  ASSERT_EQ(symlink((dir / "file").c_str(), (dir / "link").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  testsupport::makeDirs(dir / "folder");
  const std::pair<std::string, std::string> cases[] = {
      {dir / "absent", "missing"},          {dir / "link", "a symbolic link"},
      {dir / "fifo", "not a regular file"}, {dir / "folder", "not a regular file"},
      {"/dev/null", "not a regular file"},  {dir / "file", "larger than 9 bytes"},
  };
  for (const auto& [path, reason] : cases) {
    const FileDigest digest = sha256OfFile(path, 9);
    EXPECT_EQ(digest.hex, "") << path;
    EXPECT_EQ(digest.reason, reason) << path;
  }
  EXPECT_EQ(sha256OfFile(dir / "file", 10).hex, sha256Hex("0123456789"));
}
