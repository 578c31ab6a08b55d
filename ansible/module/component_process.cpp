// Running the component as a child process: fork, exec, capture, wait.
#include "ansible/module/component_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fleet {

namespace {

// How often a silent child is asked whether it has ended.
constexpr int kEndCheckMs = 100;

void closeOnExec(int fd) { (void)fcntl(fd, F_SETFD, fcntl(fd, F_GETFD) | FD_CLOEXEC); }

// In the child: only async-signal-safe calls until exec. A failure is sent
// back as errno over the status pipe, which exec closes on success.
[[noreturn]] void execChild(const ChildCommand& command, char* const* argv, int outFd, int statusFd) {
  int failure = 0;
  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull < 0 || dup2(devNull, 0) < 0 || dup2(outFd, 1) < 0 || dup2(outFd, 2) < 0) failure = errno;
  if (failure == 0 && chdir(command.dir.c_str()) != 0) failure = errno;
  if (failure == 0) {
    execv(command.program.c_str(), argv);
    failure = errno;
  }
  (void)!write(statusFd, &failure, sizeof failure);
  _exit(127);
}

// Reads once, keeping at most kOutputBound bytes in all; the bytes read, 0
// at the end of the output, -1 on an error (EAGAIN when nothing is waiting).
ssize_t readSome(int fd, std::string& output) {
  char buffer[8192];
  ssize_t n;
  do {
    n = read(fd, buffer, sizeof buffer);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return n;
  const size_t room = kOutputBound - output.size();
  output.append(buffer, std::min(room, static_cast<size_t>(n)));
  return n;
}

// The child's end, learnt without blocking while its output is read.
class ChildWatch {
 public:
  explicit ChildWatch(pid_t pid) : pid_(pid) {}

  // True once the child has ended, or once it is known that its end cannot
  // be learnt (a caller that left SIGCHLD ignored has it reaped for it).
  bool ended() {
    if (!ended_) settle(waitpid(pid_, &status_, WNOHANG));
    return ended_;
  }

  // Waits for the end not seen yet; false when it cannot be learnt.
  bool wait(ProcessResult& result) {
    while (!ended_) {
      const pid_t done = waitpid(pid_, &status_, 0);
      if (done < 0 && errno == EINTR) continue;
      settle(done);
    }
    if (waitError_ != 0) {
      errno = waitError_;
      return false;
    }
    if (WIFEXITED(status_)) {
      result.exitCode = WEXITSTATUS(status_);
    } else {
      result.signalled = true;
      result.exitCode = WIFSIGNALED(status_) ? -WTERMSIG(status_) : -1;
    }
    return true;
  }

 private:
  void settle(pid_t done) {
    if (done == pid_) {
      ended_ = true;
    } else if (done < 0 && errno != EINTR) {
      ended_ = true;
      waitError_ = errno;
    }
  }

  pid_t pid_;
  int status_ = 0;
  bool ended_ = false;
  int waitError_ = 0;
};

// Reads the child's output until the pipe closes. A process the child left
// behind may hold the pipe open for ever: once the child has ended, only what
// it left in the pipe is read.
void captureOutput(int fd, ChildWatch& child, std::string& output) {
  while (!child.ended()) {
    pollfd ready{fd, POLLIN, 0};
    const int polled = poll(&ready, 1, kEndCheckMs);
    if (polled < 0 && errno != EINTR) return;
    if (polled > 0 && readSome(fd, output) <= 0) return;
  }
  // What the child wrote is all in the pipe by now; a runaway process behind
  // it gets no more than the bound.
  (void)fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  size_t left = kOutputBound;
  ssize_t n;
  while (left > 0 && (n = readSome(fd, output)) > 0) left -= std::min(left, static_cast<size_t>(n));
}

int readStatusPipe(int fd) {
  int failure = 0;
  ssize_t n;
  do {
    n = read(fd, &failure, sizeof failure);
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(sizeof failure) ? failure : 0;
}

// The environment is set up in the parent before fork: setenv is not safe
// between fork and exec.
class RootVariable {
 public:
  explicit RootVariable(const ChildCommand& command) {
    const char* old = std::getenv("FCUPDATE_ROOT");
    had_ = old != nullptr;
    if (had_) old_ = old;
    if (command.hasRoot) {
      (void)setenv("FCUPDATE_ROOT", command.root.c_str(), 1);
    } else {
      (void)unsetenv("FCUPDATE_ROOT");
    }
  }
  ~RootVariable() {
    if (had_) {
      (void)setenv("FCUPDATE_ROOT", old_.c_str(), 1);
    } else {
      (void)unsetenv("FCUPDATE_ROOT");
    }
  }
  RootVariable(const RootVariable&) = delete;
  RootVariable& operator=(const RootVariable&) = delete;

 private:
  bool had_ = false;
  std::string old_;
};

}  // namespace

ProcessResult runProcess(const ChildCommand& command) {
  ProcessResult result;
  std::vector<std::string> words;
  words.push_back(command.program);
  words.insert(words.end(), command.args.begin(), command.args.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);

  int out[2];
  int status[2];
  if (pipe(out) != 0) {
    result.error = std::string("cannot create a pipe: ") + std::strerror(errno);
    return result;
  }
  if (pipe(status) != 0) {
    result.error = std::string("cannot create a pipe: ") + std::strerror(errno);
    close(out[0]);
    close(out[1]);
    return result;
  }
  closeOnExec(out[0]);
  closeOnExec(out[1]);
  closeOnExec(status[0]);
  closeOnExec(status[1]);
  const RootVariable root(command);
  const pid_t pid = fork();
  if (pid == 0) execChild(command, argv.data(), out[1], status[1]);
  close(out[1]);
  close(status[1]);
  if (pid < 0) {
    result.error = std::string("cannot start a process: ") + std::strerror(errno);
    close(out[0]);
    close(status[0]);
    return result;
  }
  result.pid = static_cast<long>(pid);
  ChildWatch child(pid);
  captureOutput(out[0], child, result.output);
  close(out[0]);
  const int failure = readStatusPipe(status[0]);
  close(status[0]);
  if (!child.wait(result)) {
    result.error = "cannot wait for " + command.program + ": " + std::strerror(errno);
    return result;
  }
  if (failure != 0) {
    result.error = "cannot run " + command.program + ": " + std::strerror(failure);
    return result;
  }
  result.started = true;
  return result;
}

}  // namespace fleet
