// Running one process with fork and exec, and reading its own and its children's usage.
#include "bench/whole_run/process_usage.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>

extern char** environ;

namespace wholerun {

namespace {

const char kUsageVariable[] = "WHOLE_RUN_USAGE";

std::string nameOf(const std::string& entry) { return entry.substr(0, entry.find('=')); }

double millis(const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + t.tv_usec / 1e3; }

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(&text[0]);
  pointers.push_back(nullptr);
  return pointers;
}

struct ChildSetup {
  const char* workDir;
  const char* outPath;
  const char* errPath;
  char* const* argv;
  char* const* envp;
};

// In the child between fork and exec: only async-signal-safe calls.
[[noreturn]] void startChild(const ChildSetup& setup) {
  if (chdir(setup.workDir) != 0) _exit(126);
  const int out = open(setup.outPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = open(setup.errPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int in = open("/dev/null", O_RDONLY);
  if (out < 0 || err < 0 || in < 0) _exit(126);
  if (dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
  execve(setup.argv[0], setup.argv, setup.envp);
  _exit(127);
}

// The probe's line "user-µs sys-µs maxrss-kB"; false when it is missing.
bool readProbe(const std::string& path, ProcessUsage& usage) {
  std::ifstream in(path);
  long long userUs = 0;
  long long sysUs = 0;
  long rssKb = 0;
  if (!(in >> userUs >> sysUs >> rssKb)) return false;
  usage.ownCpuMs = static_cast<double>(userUs + sysUs) / 1e3;
  usage.ownPeakRssKb = rssKb;
  return true;
}

}  // namespace

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& overrides) {
  std::vector<std::string> merged;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    bool replaced = false;
    for (const std::string& o : overrides) replaced = replaced || nameOf(o) == nameOf(*entry);
    if (!replaced) merged.emplace_back(*entry);
  }
  merged.insert(merged.end(), overrides.begin(), overrides.end());
  return merged;
}

bool runMeasured(const Invocation& invocation, ProcessUsage& usage, std::string& error) {
  std::vector<std::string> args{invocation.executable};
  args.insert(args.end(), invocation.arguments.begin(), invocation.arguments.end());
  std::vector<std::string> overrides = invocation.environment;
  const std::string probeOut = invocation.outputPath + ".usage";
  (void)std::remove(probeOut.c_str());
  if (!invocation.probePath.empty()) {
    overrides.push_back("LD_PRELOAD=" + invocation.probePath);
    overrides.push_back(std::string(kUsageVariable) + "=" + probeOut);
  }
  std::vector<std::string> env = mergedEnvironment(overrides);
  std::vector<char*> argv = pointersTo(args);
  std::vector<char*> envp = pointersTo(env);
  const std::string errPath = invocation.outputPath + ".err";
  const ChildSetup setup{invocation.workDir.c_str(), invocation.outputPath.c_str(), errPath.c_str(),
                         argv.data(), envp.data()};

  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) {
    error = std::string("fork failed: ") + std::strerror(errno);
    return false;
  }
  if (pid == 0) startChild(setup);
  int status = 0;
  rusage tree{};
  while (wait4(pid, &status, 0, &tree) < 0) {
    if (errno != EINTR) {
      error = std::string("wait4 failed: ") + std::strerror(errno);
      return false;
    }
  }
  const auto end = std::chrono::steady_clock::now();

  usage = ProcessUsage{};
  usage.wallMs = std::chrono::duration<double, std::milli>(end - start).count();
  usage.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  // What wait4 reports covers the process and every descendant it reaped.
  usage.treeCpuMs = millis(tree.ru_utime) + millis(tree.ru_stime);
  usage.treePeakRssKb = tree.ru_maxrss;
  if (!invocation.probePath.empty()) (void)readProbe(probeOut, usage);
  return true;
}

}  // namespace wholerun
