// The run lock: taken, refused when untrusted, waited for within its bound.
#include "framework/run_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "testing/test_support.h"

using testsupport::ScopedEnv;

namespace {

struct LockRoot : testsupport::ScopedSystemRoot {
  std::string lockPath() const { return root / "var/vlx/fcupdate.lock"; }
};

}  // namespace

TEST(RunLock, TakenOnAFreshHostAsAPrivateFileNoChildInherits) {
  LockRoot host;
  ComponentLog log;
  const RunLock lock(log);
  EXPECT_EQ(lock.state(), RunLock::State::Held);
  ASSERT_GE(lock.descriptor(), 0);
  EXPECT_EQ(fcntl(lock.descriptor(), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
  struct stat info {};
  ASSERT_EQ(lstat(host.lockPath().c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  // Held: nobody else gets it until it is released.
  const int other = open(host.lockPath().c_str(), O_RDWR);
  EXPECT_NE(flock(other, LOCK_EX | LOCK_NB), 0);
  (void)close(other);
}

TEST(RunLock, AnExistingLockFileOpenToOthersIsClosed) {
  LockRoot host;
  testsupport::writeFile(host.lockPath(), "");
  ASSERT_EQ(chmod(host.lockPath().c_str(), 0666), 0);
  ComponentLog log;
  const RunLock lock(log);
  EXPECT_EQ(lock.state(), RunLock::State::Held);
  struct stat info {};
  ASSERT_EQ(stat(host.lockPath().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(RunLock, HeldElsewhereTimesOutAfterTheBound) {
  LockRoot host;
  ScopedEnv bound("FCUPDATE_LOCK_WAIT_SECONDS", "0");
  const int other = open(host.lockPath().c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_EQ(flock(other, LOCK_EX), 0);
  ComponentLog log;
  testing::internal::CaptureStdout();
  const RunLock lock(log);
  const std::string console = testing::internal::GetCapturedStdout();
  (void)close(other);
  EXPECT_EQ(lock.state(), RunLock::State::TimedOut);
  EXPECT_FALSE(lock.mayRun());
  EXPECT_EQ(console, "NOTICE : Another update run holds " + host.lockPath() +
                         "; waiting for it, at most 0 s...\n" + "ERROR! : Another update run still holds " +
                         host.lockPath() + " after 0 s; nothing was run.\n");
}

TEST(RunLock, UntrustedLockFilesAreNeverUsed) {
  for (const char* kind : {"symlink", "fifo", "directory", "folder-symlink"}) {
    LockRoot host;
    const std::string kindName(kind);
    if (kindName == "symlink") {
      ASSERT_EQ(symlink("/etc/passwd", host.lockPath().c_str()), 0);
    } else if (kindName == "fifo") {
      ASSERT_EQ(mkfifo(host.lockPath().c_str(), 0600), 0);
    } else if (kindName == "directory") {
      ASSERT_EQ(mkdir(host.lockPath().c_str(), 0700), 0);
    }
    if (kindName == "folder-symlink") {
      testsupport::makeDirs(host.root / "elsewhere");
      ASSERT_EQ(rmdir((host.root / "var/vlx").c_str()), 0);
      ASSERT_EQ(symlink((host.root / "elsewhere").c_str(), (host.root / "var/vlx").c_str()), 0);
    }
    ComponentLog log;
    log.quiet = true;
    const RunLock lock(log);
    EXPECT_EQ(lock.state(), RunLock::State::Unavailable) << kind;
    EXPECT_TRUE(lock.mayRun()) << kind;
    EXPECT_EQ(lock.descriptor(), -1) << kind;
    EXPECT_FALSE(testsupport::fileExists(host.root / "elsewhere/fcupdate.lock")) << kind;
  }
}

TEST(RunLockWaitSeconds, TheTestBoundCountsOnlyUnderASystemRoot) {
  {
    ScopedEnv root("FCUPDATE_ROOT", "");
    ScopedEnv bound("FCUPDATE_LOCK_WAIT_SECONDS", "2");
    EXPECT_EQ(runLockWaitSeconds(), kRunLockWaitSeconds);
  }
  ScopedEnv root("FCUPDATE_ROOT", "/tmp/staging");
  for (const auto& [text, seconds] :
       std::vector<std::pair<const char*, int>>{{"2", 2},
                                                {"0", 0},
                                                {"-1", kRunLockWaitSeconds},
                                                {"x", kRunLockWaitSeconds},
                                                {"5s", kRunLockWaitSeconds},
                                                {"99999", kRunLockWaitSeconds}}) {
    ScopedEnv bound("FCUPDATE_LOCK_WAIT_SECONDS", text);
    EXPECT_EQ(runLockWaitSeconds(), seconds) << text;
  }
}

// The try that never waits: it holds the lock when free, is refused while
// another holds it, and keeps the lock file's rules.
TEST(RunLock, TakenIfFreeWithoutWaiting) {
  LockRoot host;
  const int first = takeRunLockIfFree();
  ASSERT_GE(first, 0);
  EXPECT_EQ(fcntl(first, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
  EXPECT_EQ(takeRunLockIfFree(), -1);
  {
    ComponentLog log;
    log.quiet = true;
    ScopedEnv bound("FCUPDATE_LOCK_WAIT_SECONDS", "0");
    testing::internal::CaptureStdout();
    const RunLock run(log);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(run.state(), RunLock::State::TimedOut);
  }
  (void)close(first);
  const int again = takeRunLockIfFree();
  EXPECT_GE(again, 0);
  (void)close(again);
  ASSERT_EQ(unlink(host.lockPath().c_str()), 0);
  ASSERT_EQ(symlink((host.root / "elsewhere").c_str(), host.lockPath().c_str()), 0);
  EXPECT_EQ(takeRunLockIfFree(), -1);
  EXPECT_FALSE(testsupport::fileExists(host.root / "elsewhere"));
}
