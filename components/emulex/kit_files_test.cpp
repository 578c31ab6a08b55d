// Tests of the kit file checks: which archives and scripts may run.
#include "components/emulex/kit_files.h"

#include <gtest/gtest.h>

namespace EmulexComp {
namespace {

using Names = std::vector<std::string>;

const Names kListing = {"elxflashStandalone-2.0/", "elxflashStandalone-2.0/lx/",
                        "elxflashStandalone-2.0/lx/elxflash.sh", "elxflashStandalone-2.0/lx/firmware.bin"};

TEST(KitFiles, OnlyTheArchivesOwnSingleScriptMayRun) {
  struct Case {
    const char* name;
    Names archives;
    Names scripts;
    Names listing;
    bool runs;
  };
  const Names one = {"elxflashStandalone-2.0.zip"};
  const Case cases[] = {
      {"its own script", one, {"./elxflashStandalone-2.0/lx/elxflash.sh"}, kListing, true},
      {"listing of the script alone",
       one,
       {"./elxflashStandalone-2.0/lx/elxflash.sh"},
       {"elxflashStandalone-2.0/lx/elxflash.sh"},
       true},
      {"no archive", {}, {"./elxflashStandalone-2.0/lx/elxflash.sh"}, kListing, false},
      {"two archives",
       {"elxflashStandalone-1.0.zip", "elxflashStandalone-2.0.zip"},
       {"./elxflashStandalone-2.0/lx/elxflash.sh"},
       kListing,
       false},
      {"a stale folder beside it",
       one,
       {"./elxflashStandalone-1.0/lx/elxflash.sh", "./elxflashStandalone-2.0/lx/elxflash.sh"},
       kListing,
       false},
      {"only a stale folder", one, {"./elxflashStandalone-1.0/lx/elxflash.sh"}, kListing, false},
      {"nothing unpacked", one, {}, kListing, false},
      {"empty listing", one, {"./elxflashStandalone-2.0/lx/elxflash.sh"}, {}, false},
      {"entry only as a prefix",
       one,
       {"./elxflashStandalone-2.0/lx/elxflash.sh"},
       {"elxflashStandalone-2.0/lx/elxflash.sh.orig", "elxflashStandalone-2.0/lx/elxflash.s"},
       false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kitIsUnambiguous(c.archives, c.scripts, c.listing), c.runs) << c.name;
  }
}

}  // namespace
}  // namespace EmulexComp
