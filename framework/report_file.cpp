// Writing the report through an inherited descriptor, into a FIFO or device,
// or whole beside its file and renamed over it.
#include "framework/report_file.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "support/descriptor_name.h"
#include "support/folder_walk.h"
#include "support/inherited_descriptors.h"
#include "support/pending_file.h"
#include "support/write_all.h"

namespace {

// The caller's path itself, or what a link of ours named.
enum class Reach { Given, Followed };

bool writeIn(const std::string& path, const std::string& bytes, Reach reach);

// A caller's descriptor may have been left non-blocking (an update manager's
// pipe): a full pipe is waited for, as a blocking write would.
bool writeWaiting(int fd, const std::string& bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, data, left);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd ready{fd, POLLOUT, 0};
      (void)::poll(&ready, 1, -1);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// The caller's own descriptor, at its offset: never reopened or closed.
bool writeToInherited(int fd, const std::string& bytes) {
  struct stat info;
  if (!inheritedDescriptor(fd) || ::fstat(fd, &info) != 0) return false;
  if (S_ISBLK(info.st_mode) || S_ISDIR(info.st_mode) || S_ISSOCK(info.st_mode)) return false;
  return writeWaiting(fd, bytes);
}

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && (a.st_mode & S_IFMT) == (b.st_mode & S_IFMT);
}

// name opened for writing only if it is still what lstat saw: without
// following a link, without creating, and without blocking, so that a FIFO
// nobody reads fails at once; the writes themselves then block as usual.
int openJudged(const std::string& name, const struct stat& seen) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return -1;
  struct stat opened;
  const int status = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &opened) != 0 || !sameFile(opened, seen) || status < 0 ||
      ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) < 0) {
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
bool writeInPlace(const std::string& name, const std::string& bytes, const struct stat& seen) {
  const int fd = openJudged(name, seen);
  return fd >= 0 && writeAndClose(fd, bytes);
}

// The fallback of a folder where nothing can be created: the existing file
// itself, only when it is ours and has no other name (a hard link planted
// beside it could be any file of root's).
bool rewriteExisting(const std::string& name, const std::string& bytes, const struct stat& seen) {
  if (!ownedByUs(seen) || seen.st_nlink != 1) return false;
  const int fd = openJudged(name, seen);
  if (fd < 0) return false;
  if (::ftruncate(fd, 0) != 0) {
    (void)::close(fd);
    return false;
  }
  return writeAndClose(fd, bytes);
}

// The mode of the report being replaced, but never set-id nor writable by
// group or others, whoever left it there; or the usual one less the umask.
mode_t modeFor(const struct stat* previous) {
  if (previous != nullptr && S_ISREG(previous->st_mode)) return previous->st_mode & 0755;
  const mode_t mask = ::umask(0);
  (void)::umask(mask);
  return 0644 & ~mask;
}

bool fillAndSync(int fd, const std::string& bytes, mode_t mode) {
  return ::fchmod(fd, mode) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
}

// Written whole in the working directory, the folder judged, and renamed
// over name there; the rename replaces whatever name is, never following it.
bool replaceBeside(const std::string& name, const std::string& bytes, const struct stat* previous) {
  char temporary[] = ".fcupdate-report.XXXXXX";
  const int fd = ::mkstemp(temporary);
  if (fd < 0)
    return previous != nullptr && S_ISREG(previous->st_mode) && rewriteExisting(name, bytes, *previous);
  // Relative, as a signal that ends the run comes while this folder is the
  // working directory.
  PendingFile pending(temporary);
  const bool filled = fillAndSync(fd, bytes, modeFor(previous));
  if (::close(fd) != 0 || !filled || ::rename(temporary, name.c_str()) != 0) {
    (void)::unlink(temporary);
    return false;
  }
  return true;
}

// What a link of ours names is taken only where no device and no other
// process's file can be meant: never another link, nothing below /proc, and
// below /dev only an existing regular file reached without a link.
bool followedTargetAllowed(const struct stat* seen, const FolderWalk& walk) {
  if (seen != nullptr && S_ISLNK(seen->st_mode)) return false;
  if (workingDirectoryBelow("/proc")) return false;
  if (!workingDirectoryBelow("/dev")) return true;
  return seen != nullptr && S_ISREG(seen->st_mode) && !walk.throughLink;
}

bool followLink(const std::string& name, const std::string& bytes, const struct stat& seen) {
  std::string target;
  if (!readLink(name, seen, target)) return false;
  int fd = -1;
  if (descriptorName(target, fd)) return writeToInherited(fd, bytes);
  // The links below /proc (a process's descriptors, its working directory)
  // name files other processes opened.
  if (workingDirectoryBelow("/proc")) return false;
  return writeIn(target, bytes, Reach::Followed);
}

// name, in the folder just entered.
bool writeJudged(const std::string& name, const std::string& bytes, Reach reach, const FolderWalk& walk) {
  // A name lstat cannot see in the folder just entered is missing (errno is
  // not asked: the portable build's stat family leaves it unset); at worst a
  // new file is then renamed to it, which never writes through anything.
  struct stat seen;
  const bool exists = ::lstat(name.c_str(), &seen) == 0;
  if (reach == Reach::Followed && !followedTargetAllowed(exists ? &seen : nullptr, walk)) return false;
  if (!exists) return replaceBeside(name, bytes, nullptr);
  if (S_ISLNK(seen.st_mode))
    return ownedByUs(seen) ? followLink(name, bytes, seen) : replaceBeside(name, bytes, &seen);
  if (S_ISREG(seen.st_mode)) return replaceBeside(name, bytes, &seen);
  if (S_ISFIFO(seen.st_mode) || S_ISCHR(seen.st_mode)) return writeInPlace(name, bytes, seen);
  return false;  // a block device, a directory, a socket
}

bool writeIn(const std::string& path, const std::string& bytes, Reach reach) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  FolderWalk walk;
  return !name.empty() && enterFolder(folder, walk) && writeJudged(name, bytes, reach, walk);
}

}  // namespace

bool writeReportFile(const std::string& path, const std::string& bytes) {
  int fd = -1;
  if (descriptorName(path, fd)) return writeToInherited(fd, bytes);
  const WorkingDirectoryKeeper keeper;
  return keeper.kept() && writeIn(path, bytes, Reach::Given);
}
