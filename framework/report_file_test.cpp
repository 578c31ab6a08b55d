// Tests of the report file: literal paths, replacement, devices and failures.
#include "framework/report_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/inherited_descriptors.h"
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

// A link of ours is followed once: what it names gets the report, the link
// stays; a dangling one gets its file created.
TEST(ReportFile, OurSymlinkIsFollowedOnce) {
  TempDir dir;
  testsupport::makeDirs(dir / "elsewhere");
  writeFile(dir / "elsewhere/target", "old\n");
  ASSERT_EQ(symlink("elsewhere/target", (dir / "r.xml").c_str()), 0);
  ASSERT_EQ(symlink((dir / "elsewhere/new").c_str(), (dir / "dangling.xml").c_str()), 0);
  ASSERT_TRUE(writeReportFile(dir / "r.xml", "new\n"));
  ASSERT_TRUE(writeReportFile(dir / "dangling.xml", "new\n"));
  EXPECT_TRUE(S_ISLNK(modeOf(dir / "r.xml")));
  EXPECT_EQ(readFile(dir / "elsewhere/target"), "new\n");
  EXPECT_TRUE(S_ISLNK(modeOf(dir / "dangling.xml")));
  EXPECT_EQ(readFile(dir / "elsewhere/new"), "new\n");
  EXPECT_EQ(entries(dir / "elsewhere").size(), 2u);
}

// Another user's link is replaced by the report; what it named is kept.
TEST(ReportFile, AnotherUsersSymlinkIsReplacedNotFollowed) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a symlink to another user";
  TempDir dir;
  writeFile(dir / "target", "precious\n");
  ASSERT_EQ(symlink((dir / "target").c_str(), (dir / "r.xml").c_str()), 0);
  ASSERT_EQ(symlink((dir / "nowhere").c_str(), (dir / "dangling.xml").c_str()), 0);
  for (const char* name : {"r.xml", "dangling.xml"}) {
    ASSERT_EQ(lchown((dir / name).c_str(), 4242, 4242), 0);
    ASSERT_TRUE(writeReportFile(dir / name, "new\n")) << name;
    EXPECT_TRUE(S_ISREG(modeOf(dir / name))) << name;
    EXPECT_EQ(readFile(dir / name), "new\n") << name;
  }
  EXPECT_EQ(readFile(dir / "target"), "precious\n");
  EXPECT_FALSE(testsupport::fileExists(dir / "nowhere"));
}

// What can never hold a report, named directly or through a link of ours,
// and a link to a link, is refused and keeps what it was.
TEST(ReportFile, RefusedTargetsKeepWhatTheyAre) {
  TempDir dir;
  testsupport::makeDirs(dir / "folder");
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = dir / "socket";
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  writeFile(dir / "file", "kept\n");
  ASSERT_EQ(symlink("file", (dir / "link").c_str()), 0);
  ASSERT_EQ(symlink("link", (dir / "linkToLink").c_str()), 0);
  ASSERT_EQ(symlink("folder", (dir / "linkToFolder").c_str()), 0);
  ASSERT_EQ(symlink("socket", (dir / "linkToSocket").c_str()), 0);
  ASSERT_EQ(symlink("/proc/self/cwd", (dir / "linkToProc").c_str()), 0);
  for (const char* name : {"folder", "socket", "linkToLink", "linkToFolder", "linkToSocket", "linkToProc",
                           "folder/", "file/x", "missing/x"}) {
    EXPECT_FALSE(writeReportFile(dir / name, "new\n")) << name;
  }
  EXPECT_TRUE(S_ISDIR(modeOf(dir / "folder")));
  EXPECT_TRUE(S_ISSOCK(modeOf(dir / "socket")));
  EXPECT_TRUE(S_ISLNK(modeOf(dir / "linkToLink")));
  EXPECT_EQ(readFile(dir / "file"), "kept\n");
  EXPECT_TRUE(entries(dir / "folder").empty());
  EXPECT_EQ(entries(dir.path()).size(), 8u);
  close(listener);
}

// A block device is never written, whether named or reached by a link.
TEST(ReportFile, BlockDeviceIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make a block device node";
  TempDir dir;
  // An unattached loop device's number: opening it would fail anyway, so
  // nothing can be written even if the refusal were missing.
  ASSERT_EQ(mknod((dir / "block").c_str(), S_IFBLK | 0600, makedev(7, 255)), 0);
  ASSERT_EQ(symlink("block", (dir / "link").c_str()), 0);
  EXPECT_FALSE(writeReportFile(dir / "block", "new\n"));
  EXPECT_FALSE(writeReportFile(dir / "link", "new\n"));
  EXPECT_TRUE(S_ISBLK(modeOf(dir / "block")));
  EXPECT_TRUE(S_ISLNK(modeOf(dir / "link")));
  EXPECT_EQ(entries(dir.path()).size(), 2u);
}

// A descriptor name writes through the inherited descriptor at its offset,
// and is refused for a descriptor opened since the record or never open.
// (/dev/stdout and /dev/fd/N are tried in the fault suite, in a private
// mount namespace.)
TEST(ReportFile, DescriptorNamesWriteThroughInheritedDescriptors) {
  TempDir dir;
  writeFile(dir / "out", "earlier\n");
  const int out = open((dir / "out").c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(out, 0);
  recordInheritedDescriptors();
  const int later = open((dir / "later").c_str(), O_WRONLY | O_CREAT, 0600);
  ASSERT_GE(later, 0);
  const std::string name = "/proc/self/fd/" + std::to_string(out);
  EXPECT_TRUE(writeReportFile(name, "report\n"));
  EXPECT_TRUE(writeReportFile(name, "again\n"));
  EXPECT_EQ(readFile(dir / "out"), "earlier\nreport\nagain\n");
  EXPECT_FALSE(writeReportFile("/proc/self/fd/" + std::to_string(later), "report\n"));
  EXPECT_FALSE(writeReportFile("/proc/self/fd/999999999", "report\n"));
  EXPECT_EQ(readFile(dir / "later"), "");
  ASSERT_EQ(symlink(name.c_str(), (dir / "link").c_str()), 0);
  EXPECT_TRUE(writeReportFile(dir / "link", "linked\n"));
  EXPECT_EQ(readFile(dir / "out"), "earlier\nreport\nagain\nlinked\n");
  EXPECT_TRUE(S_ISLNK(modeOf(dir / "link")));
  close(later);
  close(out);
  recordInheritedDescriptors();
}

// A report replacing a file of ours keeps its mode, but not a set-id bit or
// write for group and others that whoever left it gave it.
TEST(ReportFile, ReplacedModeLosesSetIdAndOthersWrite) {
  TempDir dir;
  writeFile(dir / "r.xml", "old\n");
  ASSERT_EQ(chmod((dir / "r.xml").c_str(), 06777), 0);
  ASSERT_TRUE(writeReportFile(dir / "r.xml", "new\n"));
  EXPECT_EQ(modeOf(dir / "r.xml") & 07777, 0755u);
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
