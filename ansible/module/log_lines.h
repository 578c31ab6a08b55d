// The lines a call added to the component log: the size is taken before the
// first run, and what grew past it is read at the end.
#pragma once

#include <string>
#include <vector>

namespace fleet {

// The component log below a system root ("" is the host's own).
std::string componentLogPath(const std::string& systemRoot);

// The log's size now; 0 when it does not exist yet or is no regular file.
long long logSize(const std::string& path);

struct LogRead {
  std::vector<std::string> lines;
  // Why the log was not read, for a warning; empty when it was, or when it
  // does not exist.
  std::string refusal;
};

// What the log holds past offset, one entry a line. A log that shrank was
// replaced, and is read from its start. At most kLogBound bytes are read:
// the newest text, after a line that says how much was left out. The log is
// read only when it is a regular file and not a symbolic link, the log the
// component itself accepts.
LogRead logLinesSince(const std::string& path, long long offset);

constexpr long long kLogBound = 1 << 20;

// Text split at each "\n"; a last line without one still counts, "\r" ends go.
std::vector<std::string> splitLines(const std::string& text);

}  // namespace fleet
