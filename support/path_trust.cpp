// Judging a path and the folders on its way, symlinks followed by hand.
#include "support/path_trust.h"

#include <limits.h>
#include <unistd.h>

#include <deque>

namespace {

// The kernel's own bounds: links followed in one lookup, and a path's length.
constexpr int kMaxLinks = 40;
constexpr std::size_t kMaxPath = PATH_MAX;

bool trustedOwner(uid_t owner) { return owner == 0 || owner == ::geteuid(); }

bool isBad(const TrustVerdict& verdict) { return verdict.finding != TrustVerdict::Finding::Trusted; }

// The names of a path in order; empty names and "." say nothing.
std::deque<std::string> componentsOf(const std::string& path) {
  std::deque<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string name = path.substr(start, end - start);
    if (!name.empty() && name != ".") names.push_back(name);
    start = end + 1;
  }
  return names;
}

std::string joined(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string parentOf(const std::string& folder) {
  const std::size_t slash = folder.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return folder.substr(0, slash);
}

std::string workingDirectory() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string();
}

// Where a walk stands: "." or "./a/b" below the working directory, an
// absolute folder anywhere else.
class PathWalk {
 public:
  TrustVerdict run(const std::string& path);

 private:
  TrustVerdict judgeName(const std::string& name);
  TrustVerdict up();
  TrustVerdict followLink(const std::string& link);
  TrustVerdict enter(const std::string& where);
  TrustVerdict judgeFromRoot(const std::string& folder);
  TrustVerdict leadsNowhere() {
    todo_.clear();
    return {};
  }

  std::string at_ = ".";
  bool below_ = true;
  int links_ = 0;
  std::deque<std::string> todo_;
  std::string home_ = workingDirectory();
};

TrustVerdict PathWalk::run(const std::string& path) {
  struct stat info;
  if (::lstat(".", &info) != 0) return {TrustVerdict::Finding::Unchecked, ".", 0, 0};
  TrustVerdict verdict = judgeFound(".", info);
  if (isBad(verdict)) return verdict;
  verdict = enter(path);
  while (!todo_.empty() && !isBad(verdict)) {
    const std::string name = todo_.front();
    todo_.pop_front();
    verdict = name == ".." ? up() : judgeName(name);
  }
  return verdict;
}

// One step down: a folder to pass, a link to follow, or what the path names.
TrustVerdict PathWalk::judgeName(const std::string& name) {
  const std::string next = joined(at_, name);
  struct stat info;
  if (next.size() > kMaxPath || ::lstat(next.c_str(), &info) != 0) return leadsNowhere();
  if (S_ISLNK(info.st_mode)) return followLink(next);
  if (!todo_.empty() && !S_ISDIR(info.st_mode)) return leadsNowhere();
  at_ = next;
  return judgeFound(next, info);
}

// ".." from the working directory leaves the judged part of the tree: the
// folder above it is then judged with every folder of its absolute path.
TrustVerdict PathWalk::up() {
  if (!below_ || at_ != ".") {
    at_ = parentOf(at_);
    return {};
  }
  if (home_.empty()) return {TrustVerdict::Finding::Unchecked, "..", 0, 0};
  below_ = false;
  at_ = parentOf(home_);
  return judgeFromRoot(at_);
}

TrustVerdict PathWalk::followLink(const std::string& link) {
  char target[PATH_MAX];
  const ssize_t length = ::readlink(link.c_str(), target, sizeof target);
  if (++links_ > kMaxLinks || length <= 0 || static_cast<std::size_t>(length) >= sizeof target) {
    return leadsNowhere();
  }
  return enter(std::string(target, static_cast<std::size_t>(length)));
}

// The names of where are walked next, from the folder it is relative to.
TrustVerdict PathWalk::enter(const std::string& where) {
  std::deque<std::string> names;
  TrustVerdict verdict;
  if (where.empty() || where[0] != '/') {
    names = componentsOf(where);
  } else if (!home_.empty() && (where == home_ || where.compare(0, home_.size() + 1, home_ + "/") == 0)) {
    names = componentsOf(where.substr(home_.size()));
    at_ = ".";
    below_ = true;
  } else {
    names = componentsOf(where);
    at_ = "/";
    below_ = false;
    verdict = judgeFromRoot("/");
  }
  todo_.insert(todo_.begin(), names.begin(), names.end());
  return verdict;
}

// Every folder of an absolute path, from "/" down to the folder itself.
TrustVerdict PathWalk::judgeFromRoot(const std::string& folder) {
  std::size_t end = 1;
  for (;;) {
    const std::string prefix = folder.substr(0, end);
    struct stat info;
    if (::lstat(prefix.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      return {TrustVerdict::Finding::Unchecked, prefix, 0, 0};
    }
    TrustVerdict verdict = judgeFound(prefix, info);
    if (isBad(verdict) || end >= folder.size()) return verdict;
    end = folder.find('/', end + 1);
    if (end == std::string::npos) end = folder.size();
  }
}

}  // namespace

TrustVerdict judgeFound(const std::string& shown, const struct stat& info) {
  TrustVerdict verdict{TrustVerdict::Finding::Trusted, shown, info.st_uid, info.st_mode & 07777};
  if (!trustedOwner(info.st_uid)) {
    verdict.finding = TrustVerdict::Finding::ForeignOwner;
  } else if (!S_ISLNK(info.st_mode) && (info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    verdict.finding = TrustVerdict::Finding::OpenToOthers;
  }
  return verdict;
}

TrustVerdict judgePath(const std::string& path) { return PathWalk().run(path); }
