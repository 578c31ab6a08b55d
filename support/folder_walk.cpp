// Walking into a folder component by component, judging every symlink on the way.
#include "support/folder_walk.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>

WorkingDirectoryKeeper::WorkingDirectoryKeeper() : fd_(::open(".", O_RDONLY | O_NONBLOCK)) {
  if (fd_ >= 0) {
    (void)::fcntl(fd_, F_SETFD, FD_CLOEXEC);
    return;
  }
  char here[PATH_MAX];
  if (::getcwd(here, sizeof here) != nullptr) name_ = here;
}

WorkingDirectoryKeeper::~WorkingDirectoryKeeper() {
  if (fd_ >= 0) {
    (void)::fchdir(fd_);
    (void)::close(fd_);
  } else if (!name_.empty()) {
    (void)::chdir(name_.c_str());
  }
}

bool ownedByUs(const struct stat& info) { return info.st_uid == 0 || info.st_uid == ::geteuid(); }

bool readLink(const std::string& name, const struct stat& seen, std::string& target) {
  char text[4096];
  const ssize_t length = ::readlink(name.c_str(), text, sizeof text);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof text) return false;
  struct stat after;
  if (::lstat(name.c_str(), &after) != 0 || !S_ISLNK(after.st_mode) || after.st_dev != seen.st_dev ||
      after.st_ino != seen.st_ino || after.st_uid != seen.st_uid) {
    return false;
  }
  target.assign(text, static_cast<std::size_t>(length));
  return true;
}

namespace {

bool enterComponent(const std::string& name, FolderWalk& walk) {
  struct stat seen;
  if (::lstat(name.c_str(), &seen) != 0) return false;
  if (S_ISLNK(seen.st_mode)) {
    std::string target;
    if (!ownedByUs(seen) || walk.linksLeft-- <= 0 || !readLink(name, seen, target)) return false;
    walk.throughLink = true;
    return enterFolder(target, walk);
  }
  struct stat entered;
  return S_ISDIR(seen.st_mode) && ::chdir(name.c_str()) == 0 && ::stat(".", &entered) == 0 &&
         entered.st_dev == seen.st_dev && entered.st_ino == seen.st_ino;
}

}  // namespace

bool enterFolder(const std::string& path, FolderWalk& walk) {
  if (!path.empty() && path[0] == '/' && ::chdir("/") != 0) return false;
  for (std::size_t start = 0; start < path.size();) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    if (end > start && !enterComponent(path.substr(start, end - start), walk)) return false;
    start = end + 1;
  }
  return true;
}

bool workingDirectoryBelow(const std::string& folder) {
  char here[PATH_MAX];
  if (::getcwd(here, sizeof here) == nullptr) return true;
  const std::string path = here;
  return path.compare(0, folder.size(), folder) == 0 &&
         (path.size() == folder.size() || path[folder.size()] == '/');
}
