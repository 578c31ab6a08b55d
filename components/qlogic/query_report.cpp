// Reading the engine's query report into flash image versions and port names.
#include "components/qlogic/query_report.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "regex/pattern.h"
#include "support/split_lines.h"
#include "support/wide_text.h"

namespace QLogicComp {

namespace {

// Group 1 of a whole-line match, or false when the line does not match. Each
// pattern begins with its literal key, so a line without the key at its
// start cannot match and is passed over without a matcher: a query of
// millions of other lines costs a comparison each.
bool lineValue(Pattern& pattern, const char* key, const std::string& line, std::string& value) {
  if (line.compare(0, std::strlen(key), key) != 0) return false;
  std::unique_ptr<PatternMatcher> matcher = pattern.newMatcher(line);
  if (!matcher->matchWhole()) return false;
  value = matcher->groupText(1);
  return true;
}

}  // namespace

std::string normalisePortName(std::string name) {
  for (char& c : name) {
    if (std::isalpha(static_cast<unsigned char>(c)))
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (c == '-') c = ':';
  }
  return name;
}

QueryReport parseQueryReport(const std::string& output) {
  // Compiled once for the whole report: each line still gets a new matcher,
  // so every line is judged exactly as with a pattern of its own.
  const std::unique_ptr<Pattern> instanceLine = Pattern::create("HBA Instance.*: (.+).*", Pattern::DOT_ALL);
  const std::unique_ptr<Pattern> imageLine = Pattern::create("Flash Image.*: (.+).*", Pattern::DOT_ALL);
  const std::unique_ptr<Pattern> portLine = Pattern::create("Port Name.*: (.+).*", Pattern::DOT_ALL);
  QueryReport report;
  // An instance number outside the table makes no instance current: its
  // lines, like those before the first instance line, are ignored.
  int current = -1;
  std::string value;
  std::size_t lineCount = 0;
  // One line at a time, so that a query of the full 16 MB of tiny lines
  // costs no more memory than its text.
  for (std::size_t start = 0; start < output.size(); ++lineCount) {
    std::size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    const std::string line = output.substr(start, end - start);
    start = end + 1;
    if (lineValue(*instanceLine, "HBA Instance", line, value)) {
      // Read like atoi (leading blanks, sign, digits), without its overflow.
      const long number = std::strtol(value.c_str(), nullptr, 10);
      current = (number >= 0 && number < QueryReport::kMaxInstances) ? static_cast<int>(number) : -1;
    }
    if (current >= 0 && lineValue(*imageLine, "Flash Image", line, value))
      report.instances[current].flashImage = toWide(value);
    if (current >= 0 && lineValue(*portLine, "Port Name", line, value))
      report.instances[current].portName = normalisePortName(value);
  }
  report.consulted = static_cast<int>(std::min<std::size_t>(lineCount / 5, QueryReport::kMaxInstances));
  return report;
}

}  // namespace QLogicComp
