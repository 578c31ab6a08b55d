// Walking a folder tree by descriptor: closing it to other users, judging
// what it holds, never following a link.
#include "support/tree_modes.h"

#include <gtest/gtest.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/test_support.h"

namespace {

using Finding = TrustVerdict::Finding;

constexpr uid_t kOtherUser = 65534;

using testsupport::currentDirectory;
using testsupport::modeOf;

void makeFile(const std::string& path, mode_t mode) { testsupport::writeFileWithMode(path, mode); }
void makeFolder(const std::string& path, mode_t mode) { testsupport::makeDirsWithMode(path, mode); }

// A kit unpacked with the archive's open modes: everything is closed, the
// folder and file modes otherwise kept, and a link is neither followed nor
// changed but refuses the tree.
TEST(WalkTree, ClosesEveryFolderAndFileWithoutFollowingLinks) {
  testsupport::TempDir dir;
  testsupport::ScopedChdir inside(dir.path());
  makeFolder("kit/lx/fw", 0777);
  ASSERT_EQ(chmod("kit/lx", 0775), 0);
  makeFile("kit/lx/tool.sh", 0777);
  makeFile("kit/lx/fw/image.bin", 0666);
  makeFile("kit/readme", 0640);
  makeFile("victim", 0666);
  EXPECT_EQ(walkTree("kit", TreeWalk::JudgeOnly).finding, Finding::OpenToOthers);
  EXPECT_EQ(modeOf("kit/lx/fw"), 0777u);
  const TrustVerdict closed = walkTree("kit", TreeWalk::CloseThenJudge);
  EXPECT_EQ(closed.finding, Finding::Trusted);
  EXPECT_EQ(modeOf("kit/lx"), 0755u);
  EXPECT_EQ(modeOf("kit/lx/fw"), 0755u);
  EXPECT_EQ(modeOf("kit/lx/tool.sh"), 0755u);
  EXPECT_EQ(modeOf("kit/lx/fw/image.bin"), 0644u);
  EXPECT_EQ(modeOf("kit/readme"), 0640u);
  EXPECT_EQ(currentDirectory(), dir.path());

  ASSERT_EQ(symlink("../../victim", "kit/lx/link"), 0);
  ASSERT_EQ(chmod("kit/lx/fw/image.bin", 0666), 0);
  const TrustVerdict linked = walkTree("kit", TreeWalk::CloseThenJudge);
  EXPECT_EQ(linked.finding, Finding::Symlink);
  EXPECT_EQ(linked.path, "./kit/lx/link");
  EXPECT_EQ(modeOf("victim"), 0666u);
  EXPECT_EQ(modeOf("kit/lx/fw/image.bin"), 0644u);
  EXPECT_EQ(currentDirectory(), dir.path());
}

TEST(WalkTree, OwnersMissingTopsAndBounds) {
  testsupport::TempDir dir;
  testsupport::ScopedChdir inside(dir.path());
  EXPECT_EQ(walkTree("absent", TreeWalk::CloseThenJudge).finding, Finding::Trusted);
  makeFile("single", 0666);
  EXPECT_EQ(walkTree("single", TreeWalk::CloseThenJudge).finding, Finding::Trusted);
  EXPECT_EQ(modeOf("single"), 0644u);
  std::string deep = "deep";
  for (int i = 0; i < 70; ++i) deep += "/d";
  testsupport::makeDirs(deep);
  const TrustVerdict tooDeep = walkTree("deep", TreeWalk::JudgeOnly);
  EXPECT_EQ(tooDeep.finding, Finding::Unchecked);
  EXPECT_EQ(currentDirectory(), dir.path());
  if (geteuid() != 0) return;
  makeFolder("kit/lx", 0755);
  makeFile("kit/lx/tool.sh", 0777);
  ASSERT_EQ(lchown("kit/lx/tool.sh", kOtherUser, kOtherUser), 0);
  const TrustVerdict foreign = walkTree("kit", TreeWalk::CloseThenJudge);
  EXPECT_EQ(foreign.finding, Finding::ForeignOwner);
  EXPECT_EQ(foreign.path, "./kit/lx/tool.sh");
  EXPECT_EQ(modeOf("kit/lx/tool.sh"), 0755u);
}

}  // namespace
