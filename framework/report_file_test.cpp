// Tests of the report file: literal paths, replacement, devices and failures.
#include "framework/report_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "testing/test_support.h"

using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

std::vector<std::string> entries(const std::string& dir) {
  std::vector<std::string> names;
  DIR* d = opendir(dir.c_str());
  if (d == nullptr) return names;
  while (const dirent* e = readdir(d)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(d);
  return names;
}

mode_t modeOf(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

// Runs the write in a child whose files may not grow past limit bytes, the
// way a full disk stops it, and returns what the write said.
bool writeWithFileSizeLimit(const std::string& path, const std::string& bytes, rlim_t limit) {
  const pid_t pid = fork();
  if (pid == 0) {
    (void)signal(SIGXFSZ, SIG_IGN);
    const rlimit cap{limit, limit};
    (void)setrlimit(RLIMIT_FSIZE, &cap);
    _exit(writeReportFile(path, bytes) ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

// The name is the file: nothing in it is decoded, and "-" is a file too.
TEST(ReportFile, PathIsTakenByteForByte) {
  TempDir dir;
  ASSERT_EQ(chdir(dir.path().c_str()), 0);
  testsupport::makeDirs(dir / "sub");
  for (const char* name : {"rep%41.xml", "-", "file:x.xml", "sub/%2e%2e.xml"}) {
    ASSERT_TRUE(writeReportFile(name, "<r/>\n")) << name;
    EXPECT_EQ(readFile(dir / name), "<r/>\n") << name;
  }
  EXPECT_FALSE(writeReportFile("sub/%2e%2e/%2e%2e/x.xml", "<r/>\n"));
  EXPECT_FALSE(testsupport::fileExists(dir / "repA.xml"));
  EXPECT_FALSE(writeReportFile("", "<r/>\n"));
  ASSERT_EQ(chdir("/"), 0);
  EXPECT_EQ(entries(dir.path()).size(), 4u);  // three files and sub
}

TEST(ReportFile, ReplacesAFileWholeKeepingItsMode) {
  TempDir dir;
  writeFile(dir / "r.xml", std::string(10000, 'Z'));
  ASSERT_EQ(chmod((dir / "r.xml").c_str(), 0600), 0);
  ASSERT_TRUE(writeReportFile(dir / "r.xml", "new\n"));
  EXPECT_EQ(readFile(dir / "r.xml"), "new\n");
  EXPECT_EQ(modeOf(dir / "r.xml") & 07777, 0600u);
  const mode_t old = umask(027);
  ASSERT_TRUE(writeReportFile(dir / "fresh.xml", "new\n"));
  umask(old);
  EXPECT_EQ(modeOf(dir / "fresh.xml") & 07777, 0640u);
  EXPECT_EQ(entries(dir.path()).size(), 2u);
}

// A symlink at the path is replaced by the report; what it named is kept.
TEST(ReportFile, SymlinkIsReplacedNotFollowed) {
  TempDir dir;
  writeFile(dir / "target", "precious\n");
  ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "r.xml").c_str()), 0);
  ASSERT_EQ(symlink((dir / "nowhere").c_str(), (dir / "dangling.xml").c_str()), 0);
  ASSERT_TRUE(writeReportFile(dir / "r.xml", "new\n"));
  ASSERT_TRUE(writeReportFile(dir / "dangling.xml", "new\n"));
  EXPECT_EQ(readFile(dir / "target"), "precious\n");
  EXPECT_TRUE(S_ISREG(modeOf(dir / "r.xml")));
  EXPECT_EQ(readFile(dir / "r.xml"), "new\n");
  EXPECT_TRUE(S_ISREG(modeOf(dir / "dangling.xml")));
  EXPECT_FALSE(testsupport::fileExists(dir / "nowhere"));
}

// A device or FIFO is written into, never replaced; a FIFO nobody reads
// fails at once instead of hanging the run.
TEST(ReportFile, NonRegularTargetsAreWrittenInPlace) {
  TempDir dir;
  ASSERT_TRUE(writeReportFile("/dev/null", "new\n"));
  EXPECT_TRUE(S_ISCHR(modeOf("/dev/null")));
  EXPECT_FALSE(writeReportFile("/dev/full", "new\n"));
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(writeReportFile(dir / "fifo", "new\n"));
  EXPECT_TRUE(S_ISFIFO(modeOf(dir / "fifo")));
  const int reader = open((dir / "fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_TRUE(writeReportFile(dir / "fifo", "new\n"));
  char got[16] = {};
  EXPECT_EQ(read(reader, got, sizeof got), 4);
  close(reader);
  EXPECT_EQ(std::string(got), "new\n");
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"fifo"});
}

// A write stopped half way leaves the previous report byte for byte and no
// temporary file.
TEST(ReportFile, FailedWriteKeepsThePreviousFileAndLeavesNothing) {
  TempDir dir;
  writeFile(dir / "r.xml", "previous report\n");
  EXPECT_FALSE(writeWithFileSizeLimit(dir / "r.xml", std::string(100000, 'x'), 4096));
  EXPECT_EQ(readFile(dir / "r.xml"), "previous report\n");
  EXPECT_EQ(entries(dir.path()), std::vector<std::string>{"r.xml"});
  EXPECT_TRUE(writeWithFileSizeLimit(dir / "r.xml", "small\n", 4096));
  EXPECT_EQ(readFile(dir / "r.xml"), "small\n");
}
