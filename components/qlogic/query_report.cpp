// Reading the engine's query report into flash image versions and port names.
#include "components/qlogic/query_report.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>

#include "regex/pattern.h"
#include "support/split_lines.h"
#include "support/wide_text.h"

namespace QLogicComp {

namespace {

// Group 1 of a whole-line match, or false when the line does not match.
bool lineValue(Pattern& pattern, const std::string& line, std::string& value) {
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
  const std::vector<std::string> lines = splitLines(output);
  // An instance number outside the table makes no instance current: its
  // lines, like those before the first instance line, are ignored.
  int current = -1;
  std::string value;
  for (const std::string& line : lines) {
    if (lineValue(*instanceLine, line, value)) {
      // Read like atoi (leading blanks, sign, digits), without its overflow.
      const long number = std::strtol(value.c_str(), nullptr, 10);
      current = (number >= 0 && number < QueryReport::kMaxInstances) ? static_cast<int>(number) : -1;
    }
    if (current >= 0 && lineValue(*imageLine, line, value))
      report.instances[current].flashImage = toWide(value);
    if (current >= 0 && lineValue(*portLine, line, value))
      report.instances[current].portName = normalisePortName(value);
  }
  report.consulted = std::min(static_cast<int>(lines.size() / 5), QueryReport::kMaxInstances);
  return report;
}

}  // namespace QLogicComp
