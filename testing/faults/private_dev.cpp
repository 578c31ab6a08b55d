// A private mount namespace with a scratch /dev, and a component run inside it.
#include "testing/faults/private_dev.h"

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "testing/test_support.h"

// unshare() came to the C library after the oldest one the portable build
// serves; the kernel call itself is what the test needs.
#ifndef SYS_unshare
#if defined(__x86_64__)
#define SYS_unshare 272
#else
#error "the unshare system call number of this architecture"
#endif
#endif

namespace faults {

bool enterPrivateMountTree() {
  return syscall(SYS_unshare, CLONE_NEWNS) == 0 &&
         mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

namespace {

constexpr int kNoNamespace = 120;

// The scratch /dev is mounted only once the whole tree is private, so that
// nothing propagates back to the machine.
bool mountScratchDev(const std::string& shm, dev_t block) {
  if (!enterPrivateMountTree()) return false;
  if (mount("fcupdate-scratch-dev", "/dev", "tmpfs", MS_NOSUID, "size=1m,mode=755") != 0) return false;
  const struct {
    const char* name;
    unsigned minor;
  } devices[] = {{"/dev/null", 3}, {"/dev/zero", 5}, {"/dev/full", 7}, {"/dev/urandom", 9}};
  for (const auto& device : devices) {
    if (mknod(device.name, S_IFCHR | 0666, makedev(1, device.minor)) != 0) return false;
    (void)chmod(device.name, 0666);
  }
  const char* links[][2] = {{"/proc/self/fd/0", "/dev/stdin"},
                            {"/proc/self/fd/1", "/dev/stdout"},
                            {"/proc/self/fd/2", "/dev/stderr"},
                            {"/proc/self/fd", "/dev/fd"}};
  for (const auto& link : links) {
    if (symlink(link[0], link[1]) != 0) return false;
  }
  if (mkdir("/dev/shm", 01777) != 0 || chmod("/dev/shm", 01777) != 0) return false;
  if (!shm.empty() && mount(shm.c_str(), "/dev/shm", nullptr, MS_BIND, nullptr) != 0) return false;
  return block == 0 || mknod("/dev/blk", S_IFBLK | 0600, block) == 0;
}

std::string entryLine(const std::string& path, const std::string& name) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return name + " gone";
  char line[512];
  if (S_ISLNK(info.st_mode)) {
    char target[256] = {};
    (void)!readlink(path.c_str(), target, sizeof target - 1);
    (void)std::snprintf(line, sizeof line, "%s -> %s", name.c_str(), target);
  } else if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
    (void)std::snprintf(line, sizeof line, "%s %s %u:%u", name.c_str(),
                        S_ISCHR(info.st_mode) ? "char" : "block", major(info.st_rdev), minor(info.st_rdev));
  } else {
    (void)std::snprintf(line, sizeof line, "%s mode %o", name.c_str(), info.st_mode);
  }
  return line;
}

// /dev, one sorted line per entry; shm's contents are the test's to judge.
std::string devListing() {
  std::vector<std::string> lines;
  DIR* dir = opendir("/dev");
  if (dir == nullptr) return "unreadable";
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") lines.push_back(entryLine("/dev/" + name, name));
  }
  closedir(dir);
  std::sort(lines.begin(), lines.end());
  std::string listing;
  for (const std::string& line : lines) listing += line + "\n";
  return listing;
}

// Every descriptor first moved out of the way, so that one plan may swap two.
void arrange(const std::vector<Descriptor>& descriptors) {
  std::vector<int> parked;
  parked.reserve(descriptors.size());
  for (const Descriptor& d : descriptors) parked.push_back(d.from < 0 ? -1 : fcntl(d.from, F_DUPFD, 500));
  const int devNull = open("/dev/null", O_RDONLY);
  if (devNull >= 0 && devNull != STDIN_FILENO) (void)dup2(devNull, STDIN_FILENO);
  for (int fd = 3; fd < 500; ++fd) (void)close(fd);
  for (std::size_t i = 0; i < descriptors.size(); ++i) {
    if (parked[i] < 0) {
      (void)close(descriptors[i].number);
    } else {
      (void)dup2(parked[i], descriptors[i].number);
    }
  }
  for (int fd : parked) {
    if (fd >= 0) (void)close(fd);
  }
}

std::string absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char here[PATH_MAX];
  return getcwd(here, sizeof here) != nullptr ? std::string(here) + "/" + path : path;
}

// The child: makes the namespace, runs the component in it, and reports
// "exit signal kept" and the listing through report.
[[noreturn]] void inside(const Invocation& call, const std::vector<Descriptor>& descriptors,
                         const std::string& shm, dev_t block, int report) {
  (void)setpgid(0, 0);
  if (!mountScratchDev(shm, block)) _exit(kNoNamespace);
  const std::string before = devListing();
  std::string program = absolute(testsupport::binDir() + "/" + call.executable);
  const pid_t pid = fork();
  if (pid == 0) {
    std::vector<std::string> words = call.args;
    std::vector<char*> argv{&program[0]};
    for (std::string& word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    if (chdir(call.work.c_str()) != 0) _exit(126);
    (void)setenv("FCUPDATE_ROOT", call.root.c_str(), 1);
    arrange(descriptors);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  const std::string after = devListing();
  const std::string head = std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + " " +
                           std::to_string(WIFSIGNALED(status) ? WTERMSIG(status) : 0) + " " +
                           (after == before ? "1" : "0") + "\n";
  const std::string text = head + after;
  (void)!write(report, text.data(), text.size());
  _exit(0);
}

}  // namespace

std::string privateDevMissing() {
  const pid_t pid = fork();
  if (pid == 0) _exit(mountScratchDev("", 0) ? 0 : kNoNamespace);
  int status = 0;
  if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    return "needs CAP_SYS_ADMIN to mount a scratch /dev in a private mount namespace (unshare -m)";
  }
  return "";
}

PrivateDevOutcome runInPrivateDev(const Invocation& call, const std::vector<Descriptor>& descriptors,
                                  const std::string& shm, dev_t block, int seconds) {
  PrivateDevOutcome outcome;
  int report[2];
  if (pipe(report) != 0) return outcome;
  (void)fcntl(report[0], F_SETFD, FD_CLOEXEC);
  (void)fcntl(report[1], F_SETFD, FD_CLOEXEC);
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) inside(call, descriptors, shm, block, report[1]);
  (void)close(report[1]);
  int status = 0;
  for (;;) {
    if (waitpid(pid, &status, WNOHANG) == pid) break;
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(seconds)) {
      outcome.run.timedOut = true;
      (void)kill(-pid, SIGKILL);
      (void)waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  outcome.run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;)
    text.append(buffer, static_cast<std::size_t>(n));
  (void)close(report[0]);
  // Read with strtol: the portable build's sscanf shim never returns.
  const std::size_t lineEnd = text.find('\n');
  if (lineEnd == std::string::npos) return outcome;
  char* at = &text[0];
  outcome.run.exitCode = static_cast<int>(std::strtol(at, &at, 10));
  outcome.run.signal = static_cast<int>(std::strtol(at, &at, 10));
  outcome.devKept = std::strtol(at, &at, 10) == 1;
  outcome.devListing = text.substr(lineEnd + 1);
  return outcome;
}

}  // namespace faults
