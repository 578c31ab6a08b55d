// The process entry: one component, the one the vendor registration names
// for this executable (app/registered_component.h, written by the build).
#include <sys/stat.h>
#include <unistd.h>

#include "app/registered_component.h"
#include "framework/run_exit.h"
#include "framework/run_sequence.h"
#include "support/inherited_descriptors.h"
#include "support/inherited_state.h"
#include "support/write_all.h"

namespace {

// Before anything else: what the caller handed over is made safe to run
// with; false (after saying so on standard error) when it cannot be.
bool normaliseInheritedState() {
  // First of all, before anything opens a descriptor: which ones the caller
  // handed over, so that a report to /dev/stdout or /dev/fd/N goes only
  // through one of those. A closed 0, 1 or 2 filled with /dev/null below is
  // not counted as handed over, so this must stay the first step.
  recordInheritedDescriptors();
  if (!openClosedStandardDescriptors()) {
    (void)writeAll(2, std::string("ERROR! : /dev/null cannot be opened for a closed standard descriptor; "
                                  "nothing was run.\n"));
    return false;
  }
  resetInheritedSignals();
  dropRelativePathElements();
  // Root's log, report and folders are never group- or world-writable,
  // whatever umask the caller had; a stricter one stays.
  const mode_t callerMask = umask(022);
  (void)umask(callerMask | 022);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!normaliseInheritedState()) return kExitFailed;
  int exitCode = 0;
  {
    Component component;  // creates the log directory and file
    exitCode = runComponent(component, {FCUPDATE_PROGRAM, FCUPDATE_VERSION, FCUPDATE_COMPONENT}, argc, argv);
  }
  return exitCode;
}
