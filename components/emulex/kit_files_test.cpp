// Tests of the kit file checks: which archives and scripts may run.
#include "components/emulex/kit_files.h"

#include <gtest/gtest.h>

namespace EmulexComp {
namespace {

using Names = std::vector<std::string>;

const char kListing[] =
    "elxflashStandalone-2.0/\n"
    "elxflashStandalone-2.0/lx/\n"
    "elxflashStandalone-2.0/lx/elxflash.sh\n"
    "elxflashStandalone-2.0/lx/firmware.bin\n";

TEST(KitFiles, OnlyTheArchivesOwnSingleScriptMayRun) {
  struct Case {
    const char* name;
    Names archives;
    Names scripts;
    std::string listing;
    bool runs;
  };
  const Names one = {"elxflashStandalone-2.0.zip"};
  const Case cases[] = {
      {"its own script", one, {"./elxflashStandalone-2.0/lx/elxflash.sh"}, kListing, true},
      {"listing without a last line end",
       one,
       {"./elxflashStandalone-2.0/lx/elxflash.sh"},
       "elxflashStandalone-2.0/lx/elxflash.sh",
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
      {"unreadable archive", one, {"./elxflashStandalone-2.0/lx/elxflash.sh"}, "", false},
      {"entry only as a prefix",
       one,
       {"./elxflashStandalone-2.0/lx/elxflash.sh"},
       "elxflashStandalone-2.0/lx/elxflash.sh.orig\n",
       false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kitIsUnambiguous(c.archives, c.scripts, c.listing), c.runs) << c.name;
  }
}

}  // namespace
}  // namespace EmulexComp
