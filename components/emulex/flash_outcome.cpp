// The Emulex kit's exit codes: the message for each and the run's result.
#include "components/emulex/flash_outcome.h"

#include "framework/run_exit.h"

namespace EmulexComp {

namespace {

// The kit cannot update these converged adapters; they need the offline tool.
const char kOfflineToolNotice[] =
    "For KX710DPA or VT2000B CNAs, please use the \"Firmware image for offline update\" (OneConnect ISO) "
    "tool available on https://www.broadcom.com/support\n";

// Messages for the exit codes 11 to 16, each followed by the notice.
const char* const kSkippedCnaMessages[] = {
    "All updates were successful.  Skipped any KX710DPA or VT2000B CNAs.\n",
    "No updates needed.  Skipped any KX710DPA or VT2000B CNAs.\n",
    "All updates failed.  Skipped any KX710DPA or VT2000B CNAs.\n",
    "Some updates failed.  Skipped any KX710DPA or VT2000B CNAs.\n",
    "No supported hardware found.  Skipped any KX710DPA or VT2000B CNAs.\n",
    "No updates available.  Skipped any KX710DPA or VT2000B CNAs.\n",
};

const char kAllFailed[] = "All updates failed.\n";

}  // namespace

int reportFlashOutcome(ComponentLog& log, const CommandStatus& status) {
  // An interrupted shell leaves adapters half written; never report it as applied.
  if (status.signalled) {
    log.write(kAllFailed);
    return kExitFailed;
  }
  const int code = status.exitCode;
  if (code == 0) {
    log.write("All updates were successful.  Reboot needed.\n");
    return kExitApplied;
  }
  if (code == 1) {
    log.write("No operation performed.  No updates needed or discovery command executed.\n");
    return kExitNothingDone;
  }
  if (code >= 2 && code <= 6) {
    log.write(kAllFailed);
    return kExitFailed;
  }
  if (code >= 11 && code <= 16) {
    log.write(kSkippedCnaMessages[code - 11]).write(kOfflineToolNotice);
    return kExitFailed;
  }
  return code;
}

}  // namespace EmulexComp
