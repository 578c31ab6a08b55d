// The host's name, its boot's id and time, and a run's id.
#include "support/run_identity.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "support/line_reader.h"
#include "support/sha256.h"
#include "support/system_root.h"

namespace {

// A file opened without blocking, as long as it is a regular file (what
// /proc shows is) or, for /dev/urandom, a character device.
int openSmallFile(const std::string& path, bool device) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  (void)::fcntl(fd, F_SETFD, FD_CLOEXEC);
  struct stat info;
  if (::fstat(fd, &info) != 0 || !(device ? S_ISCHR(info.st_mode) : S_ISREG(info.st_mode))) {
    (void)::close(fd);
    return -1;
  }
  return fd;
}

std::string readBounded(int fd, std::size_t bound) {
  std::string bytes(bound, '\0');
  std::size_t filled = 0;
  while (filled < bound) {
    const ssize_t n = ::read(fd, &bytes[filled], bound - filled);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    filled += static_cast<std::size_t>(n);
  }
  bytes.resize(filled);
  return bytes;
}

bool isBootIdText(const std::string& text) {
  if (text.size() != 36) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

bool parseSeconds(const std::string& text, long long& seconds) {
  if (text.empty() || text.size() > 18) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  seconds = std::strtoll(text.c_str(), nullptr, 10);
  return true;
}

std::string compactUtc(long long milliseconds) {
  const time_t seconds = static_cast<time_t>(milliseconds >= 0 ? milliseconds / 1000 : 0);
  tm parts{};
  if (::gmtime_r(&seconds, &parts) == nullptr) return "00000000T000000Z";
  char text[64];
  (void)std::snprintf(text, sizeof text, "%04d%02d%02dT%02d%02d%02dZ", parts.tm_year + 1900, parts.tm_mon + 1,
                      parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return text;
}

}  // namespace

std::string hostName() {
  utsname names{};
  if (::uname(&names) != 0) return std::string();
  return std::string(names.nodename);
}

long long bootTime() {
  const int fd = openSmallFile(hostPath("/proc/stat"), false);
  if (fd < 0) return -1;
  // The interrupt lines of a large host run to many kilobytes; they are
  // dropped whole, and the bound keeps a strange file from costing memory.
  LineReader reader(fd, 4096, 1 << 20);
  std::string line;
  long long seconds = -1;
  while (reader.next(line)) {
    if (line.compare(0, 6, "btime ") == 0 && parseSeconds(line.substr(6), seconds)) break;
  }
  (void)::close(fd);
  return seconds;
}

std::string bootId() {
  const int fd = openSmallFile(hostPath("/proc/sys/kernel/random/boot_id"), false);
  if (fd >= 0) {
    std::string text = readBounded(fd, 64);
    (void)::close(fd);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (isBootIdText(text)) return text;
  }
  const long long btime = bootTime();
  if (btime < 0) return std::string();
  return "btime-" + std::to_string((btime + 30) / 60 * 60);
}

std::string runId(long long startedMilliseconds, long pid, const std::string& bootIdText) {
  Sha256 mix;
  const int fd = openSmallFile("/dev/urandom", true);
  if (fd >= 0) {
    mix.update(readBounded(fd, 16));
    (void)::close(fd);
  }
  mix.update(bootIdText + '\n' + hostName() + '\n' + std::to_string(pid) + '\n' +
             std::to_string(startedMilliseconds));
  return compactUtc(startedMilliseconds) + "-" + std::to_string(pid) + "-" + mix.finalHex().substr(0, 16);
}
