// Whether the kit archive and script globs name one kit.
#include "components/emulex/kit_files.h"

namespace EmulexComp {

bool kitIsUnambiguous(const std::vector<std::string>& archives, const std::vector<std::string>& scripts,
                      const std::string& archiveListing) {
  if (archives.size() != 1 || scripts.size() != 1) return false;
  const std::string& script = scripts.front();
  if (script.compare(0, 2, "./") != 0) return false;
  const std::string entry = script.substr(2);
  std::size_t start = 0;
  while (start < archiveListing.size()) {
    std::size_t end = archiveListing.find('\n', start);
    if (end == std::string::npos) end = archiveListing.size();
    if (archiveListing.compare(start, end - start, entry) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace EmulexComp
