// The folder walk: directories and links on the way, links of other users,
// loops, and the way back to the working directory.
#include "support/folder_walk.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "testing/test_support.h"

using testsupport::TempDir;

namespace {

using testsupport::currentDirectory;

// The directory's real path, as getcwd reports it.
std::string real(const std::string& dir) {
  const testsupport::ScopedChdir in(dir);
  return currentDirectory();
}

}  // namespace

TEST(FolderWalk, EntersEachComponentAndFollowsOurLinks) {
  TempDir dir;
  testsupport::makeDirs(dir / "a/b/c");
  ASSERT_EQ(symlink("a/b", (dir / "ours").c_str()), 0);
  ASSERT_EQ(symlink((dir / "a").c_str(), (dir / "a/b/up").c_str()), 0);
  const WorkingDirectoryKeeper keeper;
  const std::string start = currentDirectory();
  const struct {
    std::string path;
    std::string lands;
    bool throughLink;
  } walks[] = {
      {dir / "a/b/c", "a/b/c", false}, {dir / "a//b/./c/", "a/b/c", false}, {dir / "a/b/c/../..", "a", false},
      {dir / "ours/c", "a/b/c", true}, {dir / "ours/up/b", "a/b", true},    {dir.path(), "", false},
  };
  for (const auto& walk : walks) {
    FolderWalk state;
    ASSERT_EQ(chdir("/"), 0);
    EXPECT_TRUE(enterFolder(walk.path, state)) << walk.path;
    EXPECT_EQ(currentDirectory(), real(walk.lands.empty() ? dir.path() : dir / walk.lands)) << walk.path;
    EXPECT_EQ(state.throughLink, walk.throughLink) << walk.path;
  }
  ASSERT_EQ(chdir((dir / "a").c_str()), 0);
  FolderWalk relative;
  EXPECT_TRUE(enterFolder("b/c", relative));
  EXPECT_EQ(currentDirectory(), real(dir / "a/b/c"));
  FolderWalk none;
  EXPECT_TRUE(enterFolder("", none));
  EXPECT_EQ(currentDirectory(), real(dir / "a/b/c"));
  ASSERT_EQ(chdir(start.c_str()), 0);
}

TEST(FolderWalk, RefusesMissingPlainAndLoopingComponents) {
  TempDir dir;
  testsupport::makeDirs(dir / "a");
  testsupport::writeFile(dir / "file", "x");
  ASSERT_EQ(symlink("loop2", (dir / "loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", (dir / "loop2").c_str()), 0);
  ASSERT_EQ(symlink("nowhere", (dir / "dangling").c_str()), 0);
  const WorkingDirectoryKeeper keeper;
  for (const char* path : {"missing", "a/missing", "file", "file/", "loop1", "dangling", "a/../file"}) {
    FolderWalk walk;
    EXPECT_FALSE(enterFolder(dir / path, walk)) << path;
  }
}

// A link of another user on the way is refused; one of root is followed.
TEST(FolderWalk, RefusesAnotherUsersLink) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a symlink to another user";
  TempDir dir;
  testsupport::makeDirs(dir / "a");
  ASSERT_EQ(symlink("a", (dir / "theirs").c_str()), 0);
  ASSERT_EQ(lchown((dir / "theirs").c_str(), 4242, 4242), 0);
  ASSERT_EQ(symlink("theirs", (dir / "ours").c_str()), 0);
  const WorkingDirectoryKeeper keeper;
  FolderWalk walk;
  EXPECT_FALSE(enterFolder(dir / "theirs", walk));
  FolderWalk nested;
  EXPECT_FALSE(enterFolder(dir / "ours", nested));  // judged wherever a link leads
  ASSERT_EQ(lchown((dir / "theirs").c_str(), 0, 0), 0);
  FolderWalk root;
  EXPECT_TRUE(enterFolder(dir / "ours", root));
}

TEST(FolderWalk, KeeperReturnsToTheWorkingDirectory) {
  TempDir dir;
  const std::string start = currentDirectory();
  {
    const WorkingDirectoryKeeper keeper;
    ASSERT_TRUE(keeper.kept());
    ASSERT_EQ(chdir(dir.path().c_str()), 0);
  }
  EXPECT_EQ(currentDirectory(), start);
}

TEST(FolderWalk, BelowComparesWholeComponents) {
  TempDir dir;
  testsupport::makeDirs(dir / "dev/shm");
  testsupport::makeDirs(dir / "devices");
  const WorkingDirectoryKeeper keeper;
  const std::string top = real(dir.path()) + "/dev";
  ASSERT_EQ(chdir((dir / "dev").c_str()), 0);
  EXPECT_TRUE(workingDirectoryBelow(top));
  ASSERT_EQ(chdir((dir / "dev/shm").c_str()), 0);
  EXPECT_TRUE(workingDirectoryBelow(top));
  ASSERT_EQ(chdir((dir / "devices").c_str()), 0);
  EXPECT_FALSE(workingDirectoryBelow(top));
  ASSERT_EQ(chdir("/"), 0);
  EXPECT_FALSE(workingDirectoryBelow(top));
}
