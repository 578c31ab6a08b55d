// Forking /bin/sh -c in its own process group, and reaping it within 2 s.
#include "support/shell_child.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

#include "support/child_groups.h"

namespace {

// How long a child whose output is no longer read may take to end by itself.
constexpr long kGraceMicroseconds = 2000000;

sigset_t watchedSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : kRunSignals) sigaddset(&set, signal);
  return set;
}

// The child's own descriptor fd becomes its standard output. When the pipe
// end already sits on descriptor 1 (a caller started the run with it
// closed), it stays there and only loses its close-on-exec flag.
void makeStandardOutput(int fd) {
  if (fd == 1) {
    (void)::fcntl(fd, F_SETFD, 0);
    return;
  }
  (void)::dup2(fd, 1);
  (void)::close(fd);
}

// A captured command reads nothing: a prompt ("Continue? (y/n)", a
// password) gets end of file instead of stopping or hanging it.
void readFromDevNull() {
  const int fd = ::open("/dev/null", O_RDONLY | O_NOCTTY);
  if (fd > 0) {
    (void)::dup2(fd, 0);
    (void)::close(fd);
  }
}

// Runs in the forked child; never returns. A failed exec is reported on
// execFailed, which otherwise closes with the exec.
[[noreturn]] void execShell(const char* command, int writeEnd, int execFailed) {
  // A captured command gets a session of its own, away from the terminal;
  // the flash engine a process group of its own, so that a terminal's
  // Ctrl-C reaches only the component.
  if (writeEnd >= 0) {
    (void)::setsid();
  } else {
    (void)::setpgid(0, 0);
  }
  // Ignored in the component only: a child must die of a closed pipe or a
  // file size limit as it would under a plain shell.
  (void)::signal(SIGPIPE, SIG_DFL);
  (void)::signal(SIGXFSZ, SIG_DFL);
  for (int signal : kRunSignals) {
    struct sigaction current;
    if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
      (void)::signal(signal, SIG_DFL);
    }
  }
  sigset_t none;
  sigemptyset(&none);
  (void)::sigprocmask(SIG_SETMASK, &none, nullptr);
  if (writeEnd >= 0) {
    makeStandardOutput(writeEnd);
    readFromDevNull();
  }
  ::execl("/bin/sh", "sh", "-c", command, static_cast<char*>(nullptr));
  const int error = errno;
  (void)!::write(execFailed, &error, sizeof error);
  ::_exit(127);
}

void closeOnExec(int fd) { (void)::fcntl(fd, F_SETFD, FD_CLOEXEC); }

void closeBoth(int ends[2]) {
  for (int i = 0; i < 2; ++i) {
    if (ends[i] >= 0) (void)::close(ends[i]);
  }
}

// Both ends closed on exec at once, so that no later child inherits them.
bool closedOnExecPipe(int ends[2]) {
  if (::pipe(ends) != 0) return false;
  closeOnExec(ends[0]);
  closeOnExec(ends[1]);
  return true;
}

// The child closes its end by exec; anything read first is exec's error.
bool execSucceeded(int fd) {
  int error = 0;
  for (;;) {
    const ssize_t n = ::read(fd, &error, sizeof error);
    if (n < 0 && errno == EINTR) continue;
    return n == 0;
  }
}

void reap(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

void sleepMicroseconds(long microseconds) {
  timespec pause{microseconds / 1000000L, (microseconds % 1000000L) * 1000L};
  while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

// The child's status once it has ended, or false while it still runs.
bool reaped(pid_t pid, int& status) {
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return true;
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) {
      status = -1;
      return true;
    }
    return false;
  }
}

}  // namespace

ShellChild::ShellChild(const std::string& command, Output output) {
  int ends[2] = {-1, -1};
  if (output == Output::Captured && !closedOnExecPipe(ends)) return;
  int execEnds[2] = {-1, -1};
  if (!closedOnExecPipe(execEnds)) {
    closeBoth(ends);
    return;
  }
  const sigset_t watched = watchedSignals();
  sigset_t before;
  (void)::sigprocmask(SIG_BLOCK, &watched, &before);
  // Checked with the run's signals held back: a stop that came before is
  // seen here, one that comes later finds the group registered.
  if (runStopping()) {
    closeBoth(ends);
    closeBoth(execEnds);
    (void)::sigprocmask(SIG_SETMASK, &before, nullptr);
    return;
  }
  pid_ = ::fork();
  if (pid_ == 0) execShell(command.c_str(), ends[1], execEnds[1]);
  if (ends[1] >= 0) (void)::close(ends[1]);
  (void)::close(execEnds[1]);
  if (pid_ > 0 && execSucceeded(execEnds[0])) {
    // Also here, so that the group exists before anything is sent to it
    // (a captured command's session made it already), and registered
    // before a signal can come, so that it goes with the run.
    if (output == Output::Inherited) (void)::setpgid(pid_, pid_);
    registerChildGroup(pid_);
    output_ = ends[0];
  } else {
    if (pid_ > 0) reap(pid_);
    pid_ = -1;
    if (ends[0] >= 0) (void)::close(ends[0]);
  }
  (void)::close(execEnds[0]);
  (void)::sigprocmask(SIG_SETMASK, &before, nullptr);
}

ShellChild::~ShellChild() { (void)finish(); }

int ShellChild::wait() {
  if (pid_ <= 0) return status_;
  while (::waitpid(pid_, &status_, 0) < 0) {
    if (errno != EINTR) {
      status_ = -1;
      break;
    }
  }
  unregisterChildGroup(pid_);
  pid_ = 0;
  return status_;
}

int ShellChild::finish() {
  if (output_ >= 0) {
    (void)::close(output_);
    output_ = -1;
  }
  if (pid_ <= 0) return status_;
  // A child whose output has ended is usually gone within microseconds:
  // short pauses first, longer ones for a child that takes its time.
  long waited = 0;
  for (long pause = 50; !reaped(pid_, status_); pause = pause < 32000 ? pause * 2 : pause) {
    if (waited >= kGraceMicroseconds) {
      (void)::kill(-pid_, SIGKILL);
      return wait();
    }
    sleepMicroseconds(pause);
    waited += pause;
  }
  unregisterChildGroup(pid_);
  pid_ = 0;
  return status_;
}

bool captureOutput(const std::string& command, std::size_t bound, std::string& output) {
  ShellChild child(command, ShellChild::Output::Captured);
  if (!child.started()) return false;
  char piece[65536];
  while (output.size() < bound) {
    const std::size_t room = bound - output.size();
    const ssize_t n = ::read(child.output(), piece, room < sizeof piece ? room : sizeof piece);
    if (n < 0 && errno == EINTR) continue;
    // A read error ends the capture as the end of the output does.
    if (n <= 0) break;
    output.append(piece, static_cast<std::size_t>(n));
  }
  (void)child.finish();
  return true;
}
