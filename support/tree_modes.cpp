// A folder tree walked by descriptor: fchdir into each folder, lstat and
// open its entries by their one-component names.
#include "support/tree_modes.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

namespace {

constexpr int kMaxDepth = 64;
constexpr std::size_t kMaxEntries = 100000;

bool isBad(const TrustVerdict& verdict) { return verdict.finding != TrustVerdict::Finding::Trusted; }

bool sameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

class TreeWalker {
 public:
  explicit TreeWalker(TreeWalk how) : how_(how) {}
  // The entry `name` of the current folder, whose descriptor is `folder`;
  // false when the walk cannot go on.
  bool visit(const std::string& name, const std::string& shown, int folder, int depth);
  TrustVerdict verdict() const { return verdict_; }

 private:
  bool visitFolder(const std::string& name, const std::string& shown, int folder, int depth);
  bool closeAndJudge(int fd, const struct stat& found, const std::string& shown);
  bool note(const TrustVerdict& verdict);
  bool unchecked(const std::string& shown) {
    verdict_ = {TrustVerdict::Finding::Unchecked, shown, 0, 0};
    return false;
  }

  TreeWalk how_;
  std::size_t seen_ = 0;
  TrustVerdict verdict_;
};

// Keeps the first finding; a judging walk stops there, a closing one goes on.
bool TreeWalker::note(const TrustVerdict& verdict) {
  if (isBad(verdict) && !isBad(verdict_)) verdict_ = verdict;
  return !isBad(verdict) || how_ == TreeWalk::CloseThenJudge;
}

// Closes (when asked) the open file, unless it is no longer what was found.
bool TreeWalker::closeAndJudge(int fd, const struct stat& found, const std::string& shown) {
  struct stat info;
  if (::fstat(fd, &info) != 0 || !sameFile(info, found)) return unchecked(shown);
  if (how_ == TreeWalk::CloseThenJudge && (info.st_mode & (S_IWGRP | S_IWOTH)) != 0 &&
      ::fchmod(fd, info.st_mode & 07755) == 0) {
    (void)::fstat(fd, &info);
  }
  return note(judgeFound(shown, info));
}

bool TreeWalker::visit(const std::string& name, const std::string& shown, int folder, int depth) {
  if (++seen_ > kMaxEntries) return unchecked(shown);
  struct stat found;
  if (::lstat(name.c_str(), &found) != 0) return true;
  if (S_ISDIR(found.st_mode)) {
    if (depth >= kMaxDepth) return unchecked(shown);
    return visitFolder(name, shown, folder, depth);
  }
  if (S_ISLNK(found.st_mode)) return note({TrustVerdict::Finding::Symlink, shown, found.st_uid, 0});
  if (!S_ISREG(found.st_mode)) return note(judgeFound(shown, found));
  const int fd = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return unchecked(shown);
  const bool goOn = closeAndJudge(fd, found, shown);
  (void)::close(fd);
  return goOn;
}

// Judged before it is entered; its entries are read whole first, then each
// visited from inside it, and the walk returns to `folder` by descriptor.
bool TreeWalker::visitFolder(const std::string& name, const std::string& shown, int folder, int depth) {
  const int fd = ::open(name.c_str(), O_RDONLY | O_NOFOLLOW | O_DIRECTORY | O_NONBLOCK);
  if (fd < 0) return unchecked(shown);
  struct stat found;
  bool goOn = ::lstat(name.c_str(), &found) == 0 && closeAndJudge(fd, found, shown) && ::fchdir(fd) == 0;
  std::vector<std::string> names;
  DIR* entries = goOn ? ::opendir(".") : nullptr;
  if (goOn && entries == nullptr) goOn = unchecked(shown);
  for (const dirent* entry = entries != nullptr ? ::readdir(entries) : nullptr; entry != nullptr;
       entry = ::readdir(entries)) {
    const std::string entryName = entry->d_name;
    if (entryName != "." && entryName != "..") names.push_back(entryName);
    if (names.size() > kMaxEntries) break;
  }
  if (entries != nullptr) (void)::closedir(entries);
  for (std::size_t i = 0; goOn && i < names.size(); ++i) {
    goOn = visit(names[i], shown + "/" + names[i], fd, depth + 1);
  }
  if (::fchdir(folder) != 0) goOn = unchecked(shown);
  (void)::close(fd);
  return goOn;
}

}  // namespace

TrustVerdict walkTree(const std::string& top, TreeWalk how) {
  const int home = ::open(".", O_RDONLY | O_DIRECTORY | O_NONBLOCK);
  if (home < 0) return {TrustVerdict::Finding::Unchecked, ".", 0, 0};
  TreeWalker walker(how);
  (void)walker.visit(top, "./" + top, home, 0);
  TrustVerdict verdict = walker.verdict();
  // Every folder returns to its parent; this only makes sure.
  if (::fchdir(home) != 0) verdict = {TrustVerdict::Finding::Unchecked, ".", 0, 0};
  (void)::close(home);
  return verdict;
}
