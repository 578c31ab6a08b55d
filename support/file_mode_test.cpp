// Mode changes without following links, and globs expanded as the shell does.
#include "support/file_mode.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/path_glob.h"
#include "testing/test_support.h"

using Names = std::vector<std::string>;

namespace {

using testsupport::modeOf;

}  // namespace

// A kit can carry a symlink where its script should be, or in place of one of
// its folders: the mode of what the link names is never changed.
TEST(FileMode, OnlyARegularFileReachedWithoutLinksChanges) {
  testsupport::TempDir dir;
  testsupport::makeDirs(dir / "kit/lx");
  testsupport::writeFile(dir / "kit/lx/tool.sh", "");
  testsupport::writeFile(dir / "victim", "");
  chmod((dir / "kit/lx/tool.sh").c_str(), 0600);
  chmod((dir / "victim").c_str(), 0600);
  ASSERT_EQ(symlink((dir / "victim").c_str(), (dir / "kit/lx/link.sh").c_str()), 0);
  ASSERT_EQ(symlink((dir / "kit/lx").c_str(), (dir / "kit/lxlink").c_str()), 0);
  ASSERT_EQ(mkfifo((dir / "kit/lx/fifo").c_str(), 0600), 0);
  EXPECT_TRUE(setModeWithoutFollowing(dir / "kit/lx/tool.sh", 0755));
  EXPECT_EQ(modeOf(dir / "kit/lx/tool.sh"), 0755u);
  chmod((dir / "kit/lx/tool.sh").c_str(), 0600);
  EXPECT_FALSE(setModeWithoutFollowing(dir / "kit/lx/link.sh", 0755));
  EXPECT_FALSE(setModeWithoutFollowing(dir / "kit/lxlink/tool.sh", 0755));
  EXPECT_FALSE(setModeWithoutFollowing(dir / "kit/lx/fifo", 0755));
  EXPECT_FALSE(setModeWithoutFollowing(dir / "kit/lx", 0755));
  EXPECT_FALSE(setModeWithoutFollowing(dir / "missing", 0755));
  EXPECT_EQ(modeOf(dir / "victim"), 0600u);
  EXPECT_EQ(modeOf(dir / "kit/lx/tool.sh"), 0600u);
  EXPECT_EQ(modeOf(dir / "kit/lx/fifo"), 0600u);
}

TEST(PathGlob, ExpandsAsTheShellDoes) {
  testsupport::TempDir dir;
  testsupport::makeDirs(dir / "elxflashStandalone-b/lx");
  testsupport::makeDirs(dir / "elxflashStandalone-a/lx");
  testsupport::writeFile(dir / "elxflashStandalone-a/lx/elxflash.sh", "");
  testsupport::writeFile(dir / "elxflashStandalone-b/lx/elxflash.sh", "");
  testsupport::writeFile(dir / "elxflashStandalone-a.zip", "");
  char here[4096];
  ASSERT_NE(getcwd(here, sizeof here), nullptr);
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  EXPECT_EQ(expandGlob("./elxflashStandalone*/lx/elxflash.sh"),
            (Names{"./elxflashStandalone-a/lx/elxflash.sh", "./elxflashStandalone-b/lx/elxflash.sh"}));
  EXPECT_EQ(expandGlob("elxflashStandalone*.zip"), Names{"elxflashStandalone-a.zip"});
  EXPECT_EQ(expandGlob("nothing*.zip"), Names{});
  ASSERT_EQ(chdir(here), 0);
}
