// Writing the report file whole beside its path, then renaming it over.
#include "framework/report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "support/pending_file.h"
#include "support/write_all.h"

namespace {

// Opened without blocking, so that a FIFO nobody reads fails instead of
// hanging the run; the writes themselves then block as usual.
int openWithoutBlocking(const std::string& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_WRONLY | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  const int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) {
    (void)::close(fd);
    return -1;
  }
  return fd;
}

bool writeAndClose(int fd, const std::string& bytes) {
  const bool written = writeAll(fd, bytes);
  return ::close(fd) == 0 && written;
}

// Only the bytes go to a device or FIFO: it is never created or truncated.
bool writeInPlace(const std::string& path, const std::string& bytes) {
  const int fd = openWithoutBlocking(path, 0);
  return fd >= 0 && writeAndClose(fd, bytes);
}

// The fallback of a folder where nothing can be created: the existing file
// itself, never through a symlink.
bool rewriteExisting(const std::string& path, const std::string& bytes) {
  const int fd = openWithoutBlocking(path, O_TRUNC | O_NOFOLLOW);
  return fd >= 0 && writeAndClose(fd, bytes);
}

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The mode of the report being replaced, or the usual one less the umask.
mode_t modeFor(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return info.st_mode & 07777;
  const mode_t mask = ::umask(0);
  (void)::umask(mask);
  return 0644 & ~mask;
}

bool fillAndSync(int fd, const std::string& bytes, mode_t mode) {
  return ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
}

}  // namespace

bool writeReportFile(const std::string& path, const std::string& bytes) {
  if (path.empty()) return false;
  struct stat target;
  const bool exists = ::stat(path.c_str(), &target) == 0;
  if (exists && !S_ISREG(target.st_mode)) return writeInPlace(path, bytes);

  std::string name = folderOf(path) + "/.fcupdate-report.XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  const int fd = ::mkstemp(buffer.data());
  if (fd < 0) return exists && rewriteExisting(path, bytes);
  name.assign(buffer.data());
  PendingFile pending(name);
  const bool filled = fillAndSync(fd, bytes, modeFor(path));
  if (::close(fd) != 0 || !filled || ::rename(name.c_str(), path.c_str()) != 0) {
    (void)::unlink(name.c_str());
    return false;
  }
  return true;
}
