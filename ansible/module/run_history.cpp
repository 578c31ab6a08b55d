// Reading the run history's lines without following a link, without waiting
// on a FIFO, and to a bound.
#include "ansible/module/run_history.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "ansible/module/log_lines.h"
#include "ansible/module/read_only_file.h"

namespace fleet {

namespace {

// The file's text from offset, its newest kHistoryFileBound bytes at most. A
// missing file is an empty history, not a problem.
bool readFrom(const std::string& path, long long offset, std::string& text, std::string& problem) {
  text.clear();
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
  if (offset < 0 || offset >= file.size()) return true;
  if (!file.readAt(offset, static_cast<size_t>(file.size() - offset), text)) {
    problem = "the run history " + path + " cannot be read: " + std::strerror(errno);
    return false;
  }
  return true;
}

void append(const std::string& path, long long offset, HistoryLines& out) {
  std::string text;
  if (!readFrom(path, offset, text, out.problem)) return;
  for (std::string& line : splitLines(text)) out.lines.push_back(std::move(line));
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

HistoryLines wholeHistoryLines(const std::string& path, const std::string& olderPath) {
  HistoryLines out;
  append(olderPath, 0, out);
  append(path, 0, out);
  return out;
}

}  // namespace fleet
