// The kit on disk: the single archive in the working directory and the
// single script the command glob may reach, the one unpacked from it.
#pragma once

#include <string>
#include <vector>

namespace EmulexComp {

// Whether the kit may run: the archive glob matched exactly one archive, and
// the script glob exactly one script, which the archive itself holds (one of
// the names of its listing). A folder left from another kit beside it, or
// two archives, would otherwise run a script nobody chose.
bool kitIsUnambiguous(const std::vector<std::string>& archives, const std::vector<std::string>& scripts,
                      const std::vector<std::string>& archiveNames);

}  // namespace EmulexComp
