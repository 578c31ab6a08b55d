// Taking the host's run lock: opened safely, waited for within a bound.
#include "framework/run_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "support/child_groups.h"
#include "support/console.h"
#include "support/system_root.h"

namespace {

constexpr long kPollMilliseconds = 100;

volatile sig_atomic_t stopSignal = 0;

void onStopSignal(int signal) { stopSignal = signal; }

const char* signalName(int signal) {
  switch (signal) {
    case SIGTERM:
      return "SIGTERM";
    case SIGINT:
      return "SIGINT";
    default:
      return "SIGHUP";
  }
}

// While waiting, a run signal only ends the wait; one ignored when the
// process started (nohup) stays ignored. The run's own handlers come later.
class StopSignals {
 public:
  StopSignals() {
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kCount; ++i) {
      installed_[i] = ::sigaction(kRunSignals[i], nullptr, &before_[i]) == 0 &&
                      before_[i].sa_handler != SIG_IGN && ::sigaction(kRunSignals[i], &action, nullptr) == 0;
    }
  }
  ~StopSignals() {
    for (std::size_t i = 0; i < kCount; ++i) {
      if (installed_[i]) (void)::sigaction(kRunSignals[i], &before_[i], nullptr);
    }
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  static constexpr std::size_t kCount = sizeof kRunSignals / sizeof kRunSignals[0];
  struct sigaction before_[kCount];
  bool installed_[kCount];
};

// A signal cuts the pause short, so that the wait ends at once.
void sleepOnePoll() {
  timespec interval{0, kPollMilliseconds * 1000000L};
  (void)::nanosleep(&interval, nullptr);
}

bool tryLock(int fd) {
  for (;;) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

// The lock file is root's own: a regular file of the running user, mode
// 0600 (anyone who can open it could hold it), in a folder nobody else can
// write, never through a link, and never inherited by a child.
int openLockFile(const std::string& path) {
  if (!folderIsOurs(path.c_str())) return -1;
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
  if (fd < 0) return -1;
  (void)::fcntl(fd, F_SETFD, FD_CLOEXEC);
  struct stat info;
  const bool ours = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
                    ((info.st_mode & 077) == 0 || ::fchmod(fd, 0600) == 0);
  if (!ours) {
    (void)::close(fd);
    return -1;
  }
  return fd;
}

std::string lockPath() { return hostPath("/var/vlx/fcupdate.lock"); }

}  // namespace

int takeRunLockIfFree() {
  const int fd = openLockFile(lockPath());
  if (fd < 0 || tryLock(fd)) return fd;
  (void)::close(fd);
  return -1;
}

int runLockWaitSeconds() {
  const char* root = std::getenv("FCUPDATE_ROOT");
  const char* wanted = std::getenv("FCUPDATE_LOCK_WAIT_SECONDS");
  if (root == nullptr || *root == '\0' || wanted == nullptr) return kRunLockWaitSeconds;
  char* end = nullptr;
  const long seconds = std::strtol(wanted, &end, 10);
  if (end == wanted || *end != '\0' || seconds < 0 || seconds > kRunLockWaitSeconds)
    return kRunLockWaitSeconds;
  return static_cast<int>(seconds);
}

RunLock::RunLock(const ComponentLog& log) : path_(lockPath()), bound_(runLockWaitSeconds()) {
  if (!open()) return;
  if (tryLock(fd_)) {
    state_ = State::Held;
    return;
  }
  wait(log.quiet);
}

RunLock::~RunLock() {
  if (fd_ >= 0) (void)::close(fd_);
}

bool RunLock::open() {
  fd_ = openLockFile(path_);
  return fd_ >= 0;
}

void RunLock::wait(bool quiet) {
  waited_ = true;
  const std::string bound = std::to_string(bound_) + " s";
  if (!quiet) {
    writeStdout("NOTICE : Another update run holds " + path_ + "; waiting for it, at most " + bound +
                "...\n");
  }
  StopSignals signals;
  stopSignal = 0;
  // Time is counted in pauses, not read from a clock: a clock set back or
  // forward during the wait changes nothing.
  for (;; waitedMs_ += kPollMilliseconds) {
    if (stopSignal != 0) {
      state_ = State::Interrupted;
      interruptingSignal_ = signalName(stopSignal);
      writeStdout("ERROR! : " + interruptingSignal_ +
                  " received while waiting for another update run; nothing was run.\n");
      return;
    }
    if (tryLock(fd_)) {
      state_ = State::Held;
      return;
    }
    if (waitedMs_ >= bound_ * 1000L) {
      state_ = State::TimedOut;
      writeStdout("ERROR! : Another update run still holds " + path_ + " after " + bound +
                  "; nothing was run.\n");
      return;
    }
    sleepOnePoll();
  }
}

void RunLock::reportInLog(ComponentLog& log) const {
  if (state_ == State::Unavailable) {
    log.write(
        "WARNING! : " + path_ +
        " cannot be used; running without the lock, so another update run may flash at the same time.\n");
  } else if (state_ == State::Held && waited_) {
    log.writeLogOnly("NOTICE : Waited " + std::to_string((waitedMs_ + 500) / 1000) +
                     " s for another update run to finish.\n");
  }
}
