// Arbitrary bytes as /etc/hba.conf, read line by line as the dispatcher reads
// it: no crash, and every line taken for a library names one by a plain path
// that fits its slot.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fchba/hba_conf.h"
#include "support/line_reader.h"

namespace {

bool isPathCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
         c == '.' || c == '/';
}

void checkEntry(const std::string& line, const HbaConfEntry& entry) {
  if (line.empty() || line[0] == '#') std::abort();
  if (entry.name.empty() || entry.name.find_first_of("\t\n") != std::string::npos) std::abort();
  if (entry.path.empty() || entry.path.size() > kHbaConfMaxPath) std::abort();
  for (char c : entry.path) {
    if (!isPathCharacter(c)) std::abort();
  }
  // The path is taken from the line itself, after the name.
  if (line.find(entry.path, entry.name.size()) == std::string::npos) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  // fmemopen wants a buffer it may keep, so the input is copied.
  std::string bytes(reinterpret_cast<const char*>(data), size);
  std::FILE* conf = fmemopen(&bytes[0], bytes.size(), "r");
  if (conf == nullptr) return 0;
  std::string line;
  std::size_t lines = 0;
  while (readWholeLine(conf, line)) {
    if (++lines > size) std::abort();  // each line consumes at least one byte
    HbaConfEntry entry;
    if (parseHbaConfLine(line, entry)) checkEntry(line, entry);
  }
  (void)std::fclose(conf);
  return 0;
}
