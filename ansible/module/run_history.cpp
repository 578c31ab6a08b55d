// Reading the run history's lines without following a link, without waiting
// on a FIFO, and to a bound.
#include "ansible/module/run_history.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "ansible/module/read_only_file.h"

namespace fleet {

namespace {

// What is read at a time of a whole history.
constexpr size_t kPiece = 1 << 20;

// Gives the file's lines from offset to visit, its newest kHistoryFileBound
// bytes at most. A missing file is an empty history, not a problem.
bool visitFrom(const std::string& path, long long offset,
               const std::function<void(const std::string&)>& visit, std::string& problem) {
  const ReadOnlyFile file(path, Links::refuse);
  if (file.openError() == ENOENT) return true;
  if (file.openError() != 0) {
    problem = "the run history " + path + " cannot be opened: " + std::strerror(file.openError());
    return false;
  }
  if (!file.regular()) {
    problem = "the run history " + path + " is not a regular file";
    return false;
  }
  if (file.size() - offset > kHistoryFileBound) offset = file.size() - kHistoryFileBound;
  std::string pending;
  std::string piece;
  for (long long at = offset < 0 ? 0 : offset; at < file.size(); at += static_cast<long long>(piece.size())) {
    if (!file.readAt(at, kPiece, piece)) {
      problem = "the run history " + path + " cannot be read: " + std::strerror(errno);
      return false;
    }
    if (piece.empty()) break;
    pending += piece;
    size_t start = 0;
    for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
      visit(pending.substr(start, end - start));
    }
    pending.erase(0, start);
  }
  if (!pending.empty()) visit(pending);
  return true;
}

void append(const std::string& path, long long offset, HistoryLines& out) {
  (void)visitFrom(
      path, offset, [&out](const std::string& line) { out.lines.push_back(line); }, out.problem);
}

}  // namespace

std::string runHistoryPath(const std::string& systemRoot) {
  return systemRoot + "/var/vlx/fcupdate-history.jsonl";
}

std::string olderRunHistoryPath(const std::string& systemRoot) { return runHistoryPath(systemRoot) + ".1"; }

HistoryMark markHistory(const std::string& path) {
  HistoryMark mark;
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return mark;
  mark.existed = true;
  mark.inode = static_cast<unsigned long long>(info.st_ino);
  mark.size = static_cast<long long>(info.st_size);
  return mark;
}

HistoryLines historyLinesSince(const std::string& path, const std::string& olderPath,
                               const HistoryMark& mark) {
  HistoryLines out;
  const HistoryMark now = markHistory(path);
  const bool renamed = mark.existed && (!now.existed || now.inode != mark.inode || now.size < mark.size);
  if (renamed) {
    if (markHistory(olderPath).inode == mark.inode) append(olderPath, mark.size, out);
    append(path, 0, out);
    return out;
  }
  append(path, mark.existed ? mark.size : 0, out);
  return out;
}

std::string forEachHistoryLine(const std::string& path, const std::string& olderPath,
                               const std::function<void(const std::string&)>& visit) {
  std::string problem;
  (void)visitFrom(olderPath, 0, visit, problem);
  (void)visitFrom(path, 0, visit, problem);
  return problem;
}

}  // namespace fleet
