// Reading the lines a call added to the component log.
#include "ansible/module/log_lines.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "ansible/module/read_only_file.h"

namespace fleet {

namespace {

std::string refusal(const std::string& path, const std::string& why) {
  return "the component log " + path + " " + why + "; the lines of this call are left out";
}

// The first line is cut at the bound; it goes with the text before it.
void markLeftOut(std::vector<std::string>& lines, long long skipped) {
  if (lines.empty()) return;
  skipped += static_cast<long long>(lines.front().size()) + 1;
  lines.erase(lines.begin());
  lines.insert(lines.begin(), "[" + std::to_string(skipped) + " earlier bytes of this call left out]");
}

}  // namespace

std::string componentLogPath(const std::string& systemRoot) { return systemRoot + "/var/vlx/Component.log"; }

long long logSize(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  return static_cast<long long>(info.st_size);
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

LogRead logLinesSince(const std::string& path, long long offset) {
  LogRead read;
  const ReadOnlyFile file(path, Links::refuse);
  if (file.openError() == ENOENT) return read;
  if (file.openError() == ELOOP || (file.openError() == 0 && !file.regular())) {
    read.refusal = refusal(path, "is not a regular file");
    return read;
  }
  if (file.openError() != 0) {
    read.refusal = refusal(path, std::string("cannot be opened: ") + std::strerror(file.openError()));
    return read;
  }
  // The log may grow while it is read; this call's lines end at the size
  // measured on opening.
  const long long size = file.size();
  if (size < offset) offset = 0;
  long long skipped = 0;
  if (size - offset > kLogBound) {
    skipped = size - offset - kLogBound;
    offset = size - kLogBound;
  }
  std::string text;
  if (!file.readAt(offset, static_cast<size_t>(size - offset), text)) {
    read.refusal = refusal(path, std::string("cannot be read: ") + std::strerror(errno));
    return read;
  }
  read.lines = splitLines(text);
  if (skipped > 0) markLeftOut(read.lines, skipped);
  return read;
}

}  // namespace fleet
