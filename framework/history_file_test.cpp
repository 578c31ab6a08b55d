// The run history's file: its rules (links, FIFOs, folders of others), the
// lock, short writes, the cut of a large record and the rename past 16 MiB.
#include "framework/history_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "framework/run_lock.h"
#include "testing/test_support.h"

using testsupport::readFile;

namespace {

struct HistoryRoot : testsupport::ScopedSystemRoot {
  testsupport::ScopedUmask mask{022};
  std::string path() const { return root / "var/vlx/fcupdate-history.jsonl"; }
  std::string older() const { return path() + ".1"; }
};

HistoryRecord record(const std::string& runId, const std::string& phase = "started") {
  return HistoryRecord{{"schema", 1}, {"phase", phase}, {"run_id", runId}};
}

std::string lineOf(const std::string& runId, const std::string& phase = "started") {
  return record(runId, phase).dump() + "\n";
}

// Holds the run lock as another run would, through a descriptor of its own.
struct OtherRun {
  int fd;
  explicit OtherRun(const HistoryRoot& host)
      : fd(open((host.root / "var/vlx/fcupdate.lock").c_str(), O_RDWR | O_CREAT, 0600)) {
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  }
  ~OtherRun() { (void)close(fd); }
};

}  // namespace

TEST(HistoryFile, RecordsAreAppendedAsLinesOfAPlainFile) {
  HistoryRoot host;
  EXPECT_EQ(historyPath(), host.path());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const HistoryWrite first = appendHistoryRecord(record("r1"), true);
  const HistoryWrite second = appendHistoryRecord(record("r1", "ended"), false);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(first.written && first.locked && !first.truncated);
  EXPECT_EQ(first.problem, "");
  EXPECT_TRUE(second.written && second.locked);
  EXPECT_EQ(readFile(host.path()), lineOf("r1") + lineOf("r1", "ended"));
  EXPECT_EQ(testsupport::modeOf(host.path()), 0644u);
  // The lock taken for the second record was given back.
  const int lock = takeRunLockIfFree();
  EXPECT_GE(lock, 0);
  (void)close(lock);
}

TEST(HistoryFile, AFileOthersCouldWriteIsClosedToThem) {
  HistoryRoot host;
  testsupport::writeFile(host.path(), "");
  ASSERT_EQ(chmod(host.path().c_str(), 0666), 0);
  EXPECT_TRUE(appendHistoryRecord(record("r1"), true).written);
  EXPECT_EQ(testsupport::modeOf(host.path()), 0644u);
}

// While another run holds the lock the record goes in without it.
TEST(HistoryFile, ABusyLockIsNotWaitedFor) {
  HistoryRoot host;
  const OtherRun other(host);
  const HistoryWrite result = appendHistoryRecord(record("parse"), false);
  EXPECT_TRUE(result.written);
  EXPECT_FALSE(result.locked);
  EXPECT_EQ(readFile(host.path()), lineOf("parse"));
}

// A link (to a file or a device), a FIFO, a folder, a missing or foreign
// folder: nothing is written anywhere, nothing blocks, nothing is printed.
TEST(HistoryFile, AnythingButARegularFileInOurFolderIsRefused) {
  const std::pair<const char*, std::function<void(const HistoryRoot&)>> cases[] = {
      {"symbolic link",
       [](const HistoryRoot& h) { ASSERT_EQ(symlink((h.root / "target").c_str(), h.path().c_str()), 0); }},
      {"symbolic link", [](const HistoryRoot& h) { ASSERT_EQ(symlink("/dev/full", h.path().c_str()), 0); }},
      {"not a regular file", [](const HistoryRoot& h) { ASSERT_EQ(mkfifo(h.path().c_str(), 0644), 0); }},
      {"not a regular file", [](const HistoryRoot& h) { ASSERT_EQ(mkdir(h.path().c_str(), 0755), 0); }},
      {"folder", [](const HistoryRoot& h) { ASSERT_EQ(rmdir((h.root / "var/vlx").c_str()), 0); }},
      {"folder",
       [](const HistoryRoot& h) {
         testsupport::makeDirs(h.root / "elsewhere");
         ASSERT_EQ(rmdir((h.root / "var/vlx").c_str()), 0);
         ASSERT_EQ(symlink((h.root / "elsewhere").c_str(), (h.root / "var/vlx").c_str()), 0);
       }},
  };
  for (const auto& [why, setUp] : cases) {
    HistoryRoot host;
    testsupport::writeFile(host.root / "target", "kept\n");
    setUp(host);
    testing::internal::CaptureStdout();
    const HistoryWrite result = appendHistoryRecord(record("r1"), true);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << why;
    EXPECT_FALSE(result.written) << why;
    EXPECT_NE(result.problem.find(why), std::string::npos) << result.problem;
    EXPECT_EQ(readFile(host.root / "target"), "kept\n");
    EXPECT_FALSE(testsupport::fileExists(host.root / "elsewhere/fcupdate-history.jsonl"));
  }
}

TEST(HistoryFile, AFolderOfAnotherUserIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root (CAP_CHOWN) to give the folder away";
  HistoryRoot host;
  ASSERT_EQ(chown((host.root / "var/vlx").c_str(), 1, 1), 0);
  const HistoryWrite result = appendHistoryRecord(record("r1"), true);
  EXPECT_FALSE(result.written);
  EXPECT_NE(result.problem.find("folder"), std::string::npos);
  EXPECT_FALSE(testsupport::fileExists(host.path()));
}

TEST(HistoryFile, TextThatIsNotUtf8ReachesTheFileReplaced) {
  HistoryRoot host;
  HistoryRecord bad = record("r1", "ended");
  bad["engine"] = {{"output_tail", "ok \xff\xfe end"}};
  EXPECT_TRUE(appendHistoryRecord(bad, true).written);
  const std::string text = readFile(host.path());
  EXPECT_NE(text.find("ok \xef\xbf\xbd\xef\xbf\xbd end"), std::string::npos);
  EXPECT_EQ(HistoryRecord::parse(text)["engine"]["output_tail"], "ok \xef\xbf\xbd\xef\xbf\xbd end");
}

TEST(HistoryFile, ARecordOverOneMebibyteIsWrittenCut) {
  HistoryRoot host;
  HistoryRecord large = record("r1", "ended");
  large["warnings"] = HistoryRecord::array();
  for (int i = 0; i < 3000; ++i) large["warnings"].push_back(std::string(1000, 'w'));
  const HistoryWrite result = appendHistoryRecord(large, true);
  EXPECT_TRUE(result.written && result.truncated);
  const std::string text = readFile(host.path());
  EXPECT_LE(text.size(), kHistoryRecordBytes + 1);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(HistoryRecord::parse(text)["truncated"], true);
}

// A line left without its end by an earlier writer is ended first, so that
// the new record stays a line of its own.
TEST(HistoryFile, ALineLeftUnfinishedIsEndedFirst) {
  HistoryRoot host;
  testsupport::writeFile(host.path(), lineOf("r0") + "{\"run_id\":\"cut");
  EXPECT_TRUE(appendHistoryRecord(record("r1"), true).written);
  EXPECT_EQ(readFile(host.path()), lineOf("r0") + "{\"run_id\":\"cut\n" + lineOf("r1"));
}

namespace {

// Appends in a child whose file size limit leaves room for `room` more bytes,
// so that the write is short; the child's exit status carries the result.
int appendWithRoom(const HistoryRoot& host, off_t room, bool holdsRunLock) {
  const off_t size = static_cast<off_t>(readFile(host.path()).size());
  const pid_t child = fork();
  if (child == 0) {
    const rlimit limit{static_cast<rlim_t>(size + room), static_cast<rlim_t>(size + room)};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(100);
    const HistoryWrite result = appendHistoryRecord(record("r-short", "ended"), holdsRunLock);
    _exit((result.written ? 1 : 0) | (result.problem.empty() ? 0 : 2) | (result.locked ? 4 : 0));
  }
  int status = 0;
  (void)waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 200 + WTERMSIG(status);
}

}  // namespace

// A disk that takes part of a record: under the lock the part is cut off
// again, and the process is never ended by SIGXFSZ.
TEST(HistoryFile, AShortWriteIsCutOffUnderTheLock) {
  HistoryRoot host;
  testsupport::writeFile(host.path(), lineOf("r0"));
  for (const off_t room : {off_t{0}, off_t{10}}) {
    EXPECT_EQ(appendWithRoom(host, room, true), 2 | 4) << room;
    EXPECT_EQ(readFile(host.path()), lineOf("r0")) << room;
  }
  // Without the lock the part stays; the next record ends it and goes on.
  {
    const OtherRun other(host);
    EXPECT_EQ(appendWithRoom(host, 10, false), 2);
  }
  EXPECT_TRUE(appendHistoryRecord(record("r2"), true).written);
  EXPECT_EQ(readFile(host.path()),
            lineOf("r0") + lineOf("r-short", "ended").substr(0, 10) + "\n" + lineOf("r2"));
}

namespace {

void makeFileOfSize(const std::string& path, off_t size) {
  testsupport::writeFile(path, "");
  const int fd = open(path.c_str(), O_WRONLY);
  ASSERT_EQ(ftruncate(fd, size - 1), 0);
  ASSERT_EQ(pwrite(fd, "\n", 1, size - 1), 1);
  (void)close(fd);
}

off_t sizeOf(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

}  // namespace

// A record that would take the history past 16 MiB starts a new file, the
// old one replacing any older; without the lock nothing is renamed.
TEST(HistoryFile, PastSixteenMebibytesTheFileIsRenamedUnderTheLock) {
  HistoryRoot host;
  const off_t record1 = static_cast<off_t>(lineOf("r1").size());
  makeFileOfSize(host.path(), kHistoryFileBytes - record1);
  testsupport::writeFile(host.older(), "older\n");
  EXPECT_TRUE(appendHistoryRecord(record("r1"), true).written);
  EXPECT_EQ(sizeOf(host.path()), kHistoryFileBytes);
  EXPECT_EQ(readFile(host.older()), "older\n");
  {
    const OtherRun other(host);
    const HistoryWrite unlocked = appendHistoryRecord(record("r2"), false);
    EXPECT_TRUE(unlocked.written);
    EXPECT_FALSE(unlocked.locked);
  }
  EXPECT_EQ(sizeOf(host.path()), kHistoryFileBytes + static_cast<off_t>(lineOf("r2").size()));
  EXPECT_TRUE(appendHistoryRecord(record("r3"), false).written);
  EXPECT_EQ(readFile(host.path()), lineOf("r3"));
  EXPECT_EQ(sizeOf(host.older()), kHistoryFileBytes + static_cast<off_t>(lineOf("r2").size()));
  EXPECT_EQ(testsupport::modeOf(host.path()), 0644u);
}
