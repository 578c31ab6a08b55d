// Reading the lines a call added to the component log.
#include "ansible/module/log_lines.h"

#include <sys/stat.h>

#include <cstdio>

namespace fleet {

std::string componentLogPath(const std::string& systemRoot) { return systemRoot + "/var/vlx/Component.log"; }

long long logSize(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return 0;
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

std::vector<std::string> logLinesSince(const std::string& path, long long offset) {
  const long long size = logSize(path);
  if (size < offset) offset = 0;
  long long skipped = 0;
  if (size - offset > kLogBound) {
    skipped = size - offset - kLogBound;
    offset = size - kLogBound;
  }
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  std::string text;
  if (std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0) {
    char buffer[8192];
    size_t n;
    while (static_cast<long long>(text.size()) < size - offset &&
           (n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
      text.append(buffer, n);
    }
  }
  (void)std::fclose(file);
  // The log may have grown since it was measured; this call's lines end at
  // the size measured now.
  if (static_cast<long long>(text.size()) > size - offset) text.resize(static_cast<size_t>(size - offset));
  std::vector<std::string> lines = splitLines(text);
  if (skipped > 0 && !lines.empty()) {
    // The first line is cut at the bound; it goes with the text before it.
    skipped += static_cast<long long>(lines.front().size()) + 1;
    lines.erase(lines.begin());
    lines.insert(lines.begin(), "[" + std::to_string(skipped) + " earlier bytes of this call left out]");
  }
  return lines;
}

}  // namespace fleet
