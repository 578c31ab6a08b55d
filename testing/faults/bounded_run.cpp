// Running an executable with a deadline, a memory measure and optional file-mode bounds.
#include "testing/faults/bounded_run.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "testing/test_support.h"

// Valgrind's header comes with valgrind, which only `make memcheck` needs.
#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#define FCUPDATE_HAVE_VALGRIND_H 1
#endif

namespace faults {

namespace {

using Clock = std::chrono::steady_clock;

constexpr long kMb = 1024;

#ifdef FCUPDATE_FAULTS_SANITIZED
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

Limits forThisBuild(long normalMb, long sanitizedMb) {
  if (underValgrind()) return {1200, LONG_MAX};
  return {60, (kSanitized ? sanitizedMb : normalMb) * kMb};
}

// A root process keeps the bits that let it ignore file modes across exec
// unless they leave its bounding set; a non-root one never had them.
void dropFileModeOverride() {
  (void)prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
  (void)prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
  (void)prctl(PR_CAPBSET_DROP, CAP_FOWNER, 0, 0, 0);
}

// Runs in the forked child; never returns.
[[noreturn]] void execChild(const Invocation& call, const std::vector<char*>& argv, int outFd) {
  (void)setpgid(0, 0);
  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull >= 0) (void)dup2(devNull, STDIN_FILENO);
  (void)dup2(outFd, STDOUT_FILENO);
  if (chdir(call.work.c_str()) != 0) _exit(126);
  (void)setenv("FCUPDATE_ROOT", call.root.c_str(), 1);
  for (const std::string& setting : call.environment) {
    const std::size_t equals = setting.find('=');
    if (equals == std::string::npos) {
      (void)unsetenv(setting.c_str());
    } else {
      (void)setenv(setting.substr(0, equals).c_str(), setting.c_str() + equals + 1, 1);
    }
  }
  if (call.obeyFileModes) dropFileModeOverride();
  if (call.beforeExec) call.beforeExec();
  execv(argv[0], argv.data());
  _exit(127);
}

// Reads the child's output until it closes it or the deadline passes.
bool readUntil(int fd, Clock::time_point deadline, std::string& out) {
  char buffer[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd ready{fd, POLLIN, 0};
    const int polled = poll(&ready, 1, static_cast<int>(left));
    if (polled < 0 && errno == EINTR) continue;
    if (polled == 0) return false;
    if (polled < 0) return true;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return true;
    out.append(buffer, static_cast<std::size_t>(n));
  }
}

// Waits for the child until the deadline; false when it is still running.
bool waitUntil(pid_t pid, Clock::time_point deadline, int& status, rusage& usage) {
  for (;;) {
    const pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) return true;
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// The child changes its directory before exec, so a relative bin directory
// must be resolved first.
std::string absolutePath(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char here[4096];
  if (getcwd(here, sizeof here) == nullptr) return path;
  return std::string(here) + "/" + path;
}

}  // namespace

bool underValgrind() {
#ifdef FCUPDATE_HAVE_VALGRIND_H
  return RUNNING_ON_VALGRIND != 0;
#else
  // Without the header, valgrind's preloaded core still shows.
  const char* preload = std::getenv("LD_PRELOAD");
  return preload != nullptr && std::strstr(preload, "vgpreload") != nullptr;
#endif
}

Limits ordinaryLimits() { return forThisBuild(64, 512); }
Limits largeInputLimits() { return forThisBuild(256, 1024); }
Limits hugeCatalogueLimits() { return forThisBuild(1280, 2048); }

StartedRun startBounded(const Invocation& call) {
  StartedRun run;
  std::string program = absolutePath(testsupport::binDir() + "/" + call.executable);
  std::vector<std::string> words = call.args;
  std::vector<char*> argv{&program[0]};
  for (std::string& word : words) argv.push_back(&word[0]);
  argv.push_back(nullptr);
  // pipe and fcntl rather than pipe2, which the oldest C library served lacks.
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return run;
  (void)fcntl(pipeFds[0], F_SETFD, FD_CLOEXEC);
  (void)fcntl(pipeFds[1], F_SETFD, FD_CLOEXEC);
  run.start = Clock::now();
  run.pid = fork();
  if (run.pid == 0) execChild(call, argv, pipeFds[1]);
  (void)close(pipeFds[1]);
  if (run.pid < 0) {
    (void)close(pipeFds[0]);
    return run;
  }
  run.out = pipeFds[0];
  return run;
}

Outcome finishBounded(StartedRun& run, const Limits& limits) {
  Outcome outcome;
  if (run.pid < 0) return outcome;
  const Clock::time_point deadline = run.start + std::chrono::seconds(limits.seconds);
  int status = 0;
  rusage usage{};
  const bool finished =
      readUntil(run.out, deadline, outcome.out) && waitUntil(run.pid, deadline, status, usage);
  if (!finished) {
    outcome.timedOut = true;
    (void)kill(-run.pid, SIGKILL);
    (void)wait4(run.pid, &status, 0, &usage);
  }
  (void)close(run.out);
  run.out = -1;
  run.pid = -1;
  outcome.seconds = std::chrono::duration<double>(Clock::now() - run.start).count();
  outcome.peakKb = usage.ru_maxrss;
  if (WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
  return outcome;
}

Outcome runBounded(const Invocation& call, const Limits& limits) {
  StartedRun run = startBounded(call);
  return finishBounded(run, limits);
}

std::string describe(const Outcome& o) {
  char line[160];
  (void)std::snprintf(line, sizeof line, "exit %d, signal %d%s, %.2f s, peak %ld kB", o.exitCode, o.signal,
                      o.timedOut ? ", timed out" : "", o.seconds, o.peakKb);
  return line;
}

}  // namespace faults
