// Judging a path as found: owners, modes, the folders on the way and links.
#include "support/path_trust.h"

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

struct PathCase {
  const char* name;
  // Lays out the working directory (the current one while it runs).
  void (*layOut)();
  const char* path;
  Finding finding;
  const char* judged;  // the path the verdict names, for a finding
  mode_t mode;         // its mode, for an open one
  bool rootOnly;
};

const PathCase kPathCases[] = {
    {"ClosedTool", [] { makeFile("tool", 0755); }, "./tool", Finding::Trusted, "", 0, false},
    {"ToolOpenToAll", [] { makeFile("tool", 0777); }, "./tool", Finding::OpenToOthers, "./tool", 0777, false},
    {"ToolOpenToGroup", [] { makeFile("tool", 0775); }, "./tool", Finding::OpenToOthers, "./tool", 0775,
     false},
    {"ToolOpenToOthers", [] { makeFile("tool", 0757); }, "./tool", Finding::OpenToOthers, "./tool", 0757,
     false},
    {"MissingTool", [] {}, "./tool", Finding::Trusted, "", 0, false},
    {"OpenWorkingDirectory",
     [] {
       makeFile("tool", 0755);
       ASSERT_EQ(chmod(".", 0777), 0);
     },
     "./tool", Finding::OpenToOthers, ".", 0777, false},
    {"StickyWorkingDirectory",
     [] {
       makeFile("tool", 0755);
       ASSERT_EQ(chmod(".", 01777), 0);
     },
     "./tool", Finding::OpenToOthers, ".", 01777, false},
    {"OpenFolderOnTheWay",
     [] {
       makeFolder("kit/lx", 0755);
       ASSERT_EQ(chmod("kit", 0777), 0);
       makeFile("kit/lx/tool", 0755);
     },
     "kit/lx/tool", Finding::OpenToOthers, "./kit", 0777, false},
    {"ToolOfAnotherUser",
     [] {
       makeFile("tool", 0755);
       ASSERT_EQ(chown("tool", kOtherUser, kOtherUser), 0);
     },
     "./tool", Finding::ForeignOwner, "./tool", 0, true},
    {"LinkToAClosedFile",
     [] {
       makeFolder("real", 0755);
       makeFile("real/tool", 0755);
       ASSERT_EQ(symlink("real/tool", "tool"), 0);
     },
     "./tool", Finding::Trusted, "", 0, false},
    {"LinkToAFileOfAnotherUser",
     [] {
       makeFolder("real", 0755);
       makeFile("real/tool", 0755);
       ASSERT_EQ(chown("real/tool", kOtherUser, kOtherUser), 0);
       ASSERT_EQ(symlink("real/tool", "tool"), 0);
     },
     "./tool", Finding::ForeignOwner, "./real/tool", 0, true},
    {"LinkIntoAnOpenFolder",
     [] {
       makeFolder("open", 0777);
       makeFile("open/tool", 0755);
       ASSERT_EQ(symlink("open/tool", "tool"), 0);
     },
     "./tool", Finding::OpenToOthers, "./open", 0777, false},
    {"LinkThroughALinkedFolder",
     [] {
       makeFolder("open", 0777);
       makeFile("open/tool", 0755);
       ASSERT_EQ(symlink("open", "folder"), 0);
       ASSERT_EQ(symlink("folder/tool", "tool"), 0);
     },
     "./tool", Finding::OpenToOthers, "./open", 0777, false},
    {"AbsoluteLinkIntoTheWorkingDirectory",
     [] {
       makeFolder("real", 0755);
       makeFile("real/tool", 0755);
       ASSERT_EQ(symlink((currentDirectory() + "/real/tool").c_str(), "tool"), 0);
     },
     "./tool", Finding::Trusted, "", 0, false},
    {"LinkLeavingTheWorkingDirectory",
     [] {
       ASSERT_EQ(
           symlink(("../" + currentDirectory().substr(currentDirectory().rfind('/') + 1) + "/x").c_str(),
                   "tool"),
           0);
     },
     "./tool", Finding::OpenToOthers, "/tmp", 01777, false},
    {"LinkToSharedTmp", [] { ASSERT_EQ(symlink("/tmp/no-such-tool", "tool"), 0); }, "./tool",
     Finding::OpenToOthers, "/tmp", 01777, false},
    {"DanglingLink", [] { ASSERT_EQ(symlink("nothing", "tool"), 0); }, "./tool", Finding::Trusted, "", 0,
     false},
    {"LinkLoop",
     [] {
       ASSERT_EQ(symlink("b", "a"), 0);
       ASSERT_EQ(symlink("a", "b"), 0);
     },
     "./a", Finding::Trusted, "", 0, false},
    {"FileOnTheWay", [] { makeFile("tool", 0777); }, "./tool/x", Finding::Trusted, "", 0, false},
};

void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }

class JudgePath : public ::testing::TestWithParam<PathCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, JudgePath, ::testing::ValuesIn(kPathCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(JudgePath, NamesTheFirstThingAnotherUserCouldChange) {
  const PathCase& c = GetParam();
  if (c.rootOnly && geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  // Below /tmp, whose mode the cases that leave the working directory meet.
  if (modeOf("/tmp") != 01777) GTEST_SKIP() << "needs /tmp with mode 1777";
  testsupport::TempDir dir;
  testsupport::ScopedChdir inside(dir.path());
  c.layOut();
  const TrustVerdict verdict = judgePath(c.path);
  EXPECT_EQ(verdict.finding, c.finding);
  if (c.finding == Finding::Trusted) return;
  EXPECT_EQ(verdict.path, c.judged);
  if (c.finding == Finding::OpenToOthers) {
    EXPECT_EQ(verdict.mode, c.mode);
  } else {
    EXPECT_EQ(verdict.owner, kOtherUser);
  }
}

// The running user's own files are as good as root's.
TEST(JudgeFound, RootOrTheRunningUserOwnsWhatMayRun) {
  struct stat info {};
  info.st_mode = S_IFREG | 0755;
  info.st_uid = geteuid();
  EXPECT_EQ(judgeFound("x", info).finding, Finding::Trusted);
  info.st_uid = 0;
  EXPECT_EQ(judgeFound("x", info).finding, Finding::Trusted);
  info.st_uid = geteuid() + 1;
  EXPECT_EQ(judgeFound("x", info).finding, Finding::ForeignOwner);
  // A link's own mode is always open; its folder decides who may replace it.
  info.st_uid = 0;
  info.st_mode = S_IFLNK | 0777;
  EXPECT_EQ(judgeFound("x", info).finding, Finding::Trusted);
}

}  // namespace
