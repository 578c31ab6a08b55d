// Unpacking the kit archive so that only a whole kit, closed to other
// users, may run.
#pragma once

#include <string>

#include "support/command_runner.h"

namespace EmulexComp {

// The globs of the kit: the archive, and the script the commands run.
struct KitGlobs {
  const char* archive;  // "elxflashStandalone*.zip"
  const char* script;   // "./elxflashStandalone*/lx/elxflash.sh"
};

// Unpacks the one kit archive with "unzip -o" and checks what it left: the
// archive and the package folder trusted before unzip runs, the listing free
// of links and of names outside the folder, every file and folder of the
// kit closed to other users, the unpacked folder holding what the listing
// names (whatever unzip's status: a read-only package folder may hold the
// kit unpacked beforehand), exactly one script, the archive's own, and it
// trusted. The error line that refuses the kit, or empty when it may run.
// The unzip, when it runs, is added to commands.
std::string unpackKit(const KitGlobs& kit, CommandRecords& commands);

}  // namespace EmulexComp
