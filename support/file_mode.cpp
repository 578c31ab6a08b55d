// Mode changes through a descriptor, after every step of the path is checked.
#include "support/file_mode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Every directory the path passes through, as written, is a real one.
bool noLinkOnTheWay(const std::string& path) {
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    struct stat info;
    if (::lstat(path.substr(0, slash).c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  }
  return true;
}

}  // namespace

bool setModeWithoutFollowing(const std::string& path, mode_t mode) {
  if (!noLinkOnTheWay(path)) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat info;
  const bool changed = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && ::fchmod(fd, mode) == 0;
  (void)::close(fd);
  return changed;
}
