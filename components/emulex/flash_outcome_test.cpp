// Every row of the kit's exit-code table: the messages in the log and the result.
#include "components/emulex/flash_outcome.h"

#include <gtest/gtest.h>

#include "testing/standins/standins.h"

namespace EmulexComp {
namespace {

const std::string kNotice =
    "For KX710DPA or VT2000B CNAs, please use the \"Firmware image for offline update\" (OneConnect ISO) "
    "tool available on https://www.broadcom.com/support\n";

struct OutcomeCase {
  CommandStatus status;
  std::string messages;
  int result;
};

TEST(EmulexFlashOutcome, ExitCodeTable) {
  const std::string skipped = "  Skipped any KX710DPA or VT2000B CNAs.\n";
  std::vector<OutcomeCase> cases = {
      {{0, false}, "All updates were successful.  Reboot needed.\n", 1},
      {{1, false}, "No operation performed.  No updates needed or discovery command executed.\n", 3},
      {{11, false}, "All updates were successful." + skipped + kNotice, 7},
      {{12, false}, "No updates needed." + skipped + kNotice, 7},
      {{13, false}, "All updates failed." + skipped + kNotice, 7},
      {{14, false}, "Some updates failed." + skipped + kNotice, 7},
      {{15, false}, "No supported hardware found." + skipped + kNotice, 7},
      {{16, false}, "No updates available." + skipped + kNotice, 7},
      // An interrupted kit is a failure whatever its code reads.
      {{130, true}, "All updates failed.\n", 7},
      {{143, true}, "All updates failed.\n", 7},
  };
  for (int code = 2; code <= 6; ++code) cases.push_back({{code, false}, "All updates failed.\n", 7});
  for (int code : {7, 8, 9, 10, 17, 18, 127, 128, 200, 255}) cases.push_back({{code, false}, "", code});

  for (const OutcomeCase& c : cases) {
    SCOPED_TRACE(c.status.exitCode);
    standins::Workspace workspace;
    ComponentLog log;
    log.quiet = true;
    EXPECT_EQ(reportFlashOutcome(log, c.status), c.result);
    EXPECT_EQ(workspace.log(), c.messages);
  }
}

}  // namespace
}  // namespace EmulexComp
