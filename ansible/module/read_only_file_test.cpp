// Reading the host's files: only regular files, never a wait on a FIFO or a
// device, links followed or refused as asked, and the bound kept.
#include "ansible/module/read_only_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "testing/test_support.h"

namespace fleet {
namespace {

using testsupport::writeFile;

class ReadOnlyFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    writeFile(dir_ / "file", "0123456789");
    ASSERT_EQ(mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink((dir_ / "file").c_str(), (dir_ / "to-file").c_str()), 0);
    ASSERT_EQ(symlink((dir_ / "fifo").c_str(), (dir_ / "to-fifo").c_str()), 0);
    testsupport::makeDirs(dir_ / "folder");
  }
  WholeFile read(const std::string& path, Links links, std::size_t bound = 100) {
    int error = 0;
    text_.clear();
    const WholeFile result = readWholeFile(path, links, bound, text_, error);
    error_ = error;
    return result;
  }

  testsupport::TempDir dir_;
  std::string text_;
  int error_ = 0;
};

TEST_F(ReadOnlyFiles, OnlyRegularFilesAreRead) {
  const struct {
    std::string path;
    Links links;
    WholeFile expected;
  } cases[] = {
      {dir_ / "file", Links::follow, WholeFile::read},
      {dir_ / "file", Links::refuse, WholeFile::read},
      {dir_ / "to-file", Links::follow, WholeFile::read},
      {dir_ / "to-file", Links::refuse, WholeFile::cannotOpen},
      {dir_ / "fifo", Links::follow, WholeFile::notRegular},
      {dir_ / "to-fifo", Links::follow, WholeFile::notRegular},
      {dir_ / "to-fifo", Links::refuse, WholeFile::cannotOpen},
      {"/dev/zero", Links::follow, WholeFile::notRegular},
      {dir_ / "folder", Links::follow, WholeFile::notRegular},
      {dir_ / "absent", Links::follow, WholeFile::cannotOpen},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(read(c.path, c.links), c.expected) << c.path;
    if (c.expected == WholeFile::read) {
      EXPECT_EQ(text_, "0123456789");
    }
  }
  EXPECT_EQ(read(dir_ / "to-file", Links::refuse), WholeFile::cannotOpen);
  EXPECT_EQ(error_, ELOOP);
  EXPECT_EQ(read(dir_ / "absent", Links::follow), WholeFile::cannotOpen);
  EXPECT_EQ(error_, ENOENT);
}

TEST_F(ReadOnlyFiles, TheBoundIsKept) {
  EXPECT_EQ(read(dir_ / "file", Links::follow, 10), WholeFile::read);
  EXPECT_EQ(read(dir_ / "file", Links::follow, 9), WholeFile::tooLarge);
  EXPECT_TRUE(text_.empty()) << "a file known too large is not read";
  // A sparse file of a gigabyte is judged by its size, not read.
  const std::string sparse = dir_ / "sparse";
  writeFile(sparse, "");
  ASSERT_EQ(truncate(sparse.c_str(), 1LL << 30), 0);
  EXPECT_EQ(read(sparse, Links::follow, 1 << 20), WholeFile::tooLarge);
}

TEST_F(ReadOnlyFiles, PartsOfAFile) {
  const ReadOnlyFile file(dir_ / "file", Links::refuse);
  ASSERT_EQ(file.openError(), 0);
  EXPECT_TRUE(file.regular());
  EXPECT_EQ(file.size(), 10);
  std::string text;
  ASSERT_TRUE(file.readAt(3, 4, text));
  EXPECT_EQ(text, "3456");
  ASSERT_TRUE(file.readAt(8, 100, text));
  EXPECT_EQ(text, "89");
  ASSERT_TRUE(file.readAt(20, 5, text));
  EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace fleet
