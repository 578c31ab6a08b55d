// Whether the kit archive and script globs name one kit.
#include "components/emulex/kit_files.h"

#include <algorithm>

namespace EmulexComp {

bool kitIsUnambiguous(const std::vector<std::string>& archives, const std::vector<std::string>& scripts,
                      const std::vector<std::string>& archiveNames) {
  if (archives.size() != 1 || scripts.size() != 1) return false;
  const std::string& script = scripts.front();
  if (script.compare(0, 2, "./") != 0) return false;
  return std::find(archiveNames.begin(), archiveNames.end(), script.substr(2)) != archiveNames.end();
}

}  // namespace EmulexComp
