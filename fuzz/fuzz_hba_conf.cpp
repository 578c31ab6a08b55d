// Arbitrary bytes as /etc/hba.conf, read line by line as the dispatcher reads
// it: no crash, no line over its bound or past the total, and every line
// taken for a library names one by a plain path that fits its slot.
#include <unistd.h>

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
  std::FILE* conf = std::tmpfile();
  if (conf == nullptr) return 0;
  (void)std::fwrite(data, 1, size, conf);
  (void)std::fflush(conf);
  (void)lseek(fileno(conf), 0, SEEK_SET);
  // Small bounds, so that the fuzzer reaches both of them.
  const std::size_t lineBound = 64;
  const std::size_t totalBound = size / 2 + 1;
  LineReader lines(fileno(conf), lineBound, totalBound);
  std::string line;
  std::size_t count = 0;
  std::size_t consumed = 0;
  while (lines.next(line)) {
    if (line.size() > lineBound || line.find('\n') != std::string::npos) std::abort();
    consumed += line.size() + 1;
    if (++count > size || consumed > totalBound + 1) std::abort();
    HbaConfEntry entry;
    if (parseHbaConfLine(line, entry)) checkEntry(line, entry);
  }
  (void)std::fclose(conf);
  return 0;
}
