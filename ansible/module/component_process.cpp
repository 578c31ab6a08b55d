// Running the component as a child process: fork, exec, capture, wait.
#include "ansible/module/component_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fleet {

namespace {

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

void readAll(int fd, std::string& output) {
  char buffer[8192];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    const size_t room = kOutputBound - output.size();
    output.append(buffer, std::min(room, static_cast<size_t>(n)));
  }
}

int readStatusPipe(int fd) {
  int failure = 0;
  ssize_t n;
  do {
    n = read(fd, &failure, sizeof failure);
  } while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(sizeof failure) ? failure : 0;
}

// False when the child's end cannot be learnt (a caller that left SIGCHLD
// ignored has its children reaped for it): its outcome is then unknown.
bool waitFor(pid_t pid, ProcessResult& result) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  if (WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
  } else {
    result.signalled = true;
    result.exitCode = WIFSIGNALED(status) ? -WTERMSIG(status) : -1;
  }
  return true;
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
  readAll(out[0], result.output);
  close(out[0]);
  const int failure = readStatusPipe(status[0]);
  close(status[0]);
  if (!waitFor(pid, result)) {
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
