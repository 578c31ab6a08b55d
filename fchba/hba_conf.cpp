// Taking apart one line of the HBA API configuration file.
#include "fchba/hba_conf.h"

namespace {

bool isPathCharacter(char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return c == '_' || c == '-' || c == '.' || c == '/';
}

std::string filteredPath(const std::string& text) {
  std::size_t end = 0;
  while (end < text.size() && isPathCharacter(text[end])) ++end;
  return text.substr(0, end);
}

}  // namespace

bool parseHbaConfLine(const std::string& rawLine, HbaConfEntry& entry) {
  if (rawLine.empty() || rawLine[0] == '\n' || rawLine[0] == '#') return false;
  const std::string line = rawLine.substr(0, rawLine.find('\n'));
  std::size_t separator = line.find('\t');
  if (separator == std::string::npos) separator = line.find(' ');
  if (separator == std::string::npos) return false;
  const std::size_t pathStart = line.find_first_not_of("\t ", separator);
  if (separator == 0 || pathStart == std::string::npos) return false;
  entry.name = line.substr(0, separator);
  entry.path = filteredPath(line.substr(pathStart));
  return !entry.path.empty() && entry.path.size() <= kHbaConfMaxPath;
}
