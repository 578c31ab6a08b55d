// The process entry: one component, chosen when the executable is built.
#if defined(FCUPDATE_EMULEX)
#include "components/emulex/component.h"
using Component = EmulexComp::CComponent;
#elif defined(FCUPDATE_BROCADE)
#include "components/brocade/component.h"
using Component = BrocadeComp::CComponent;
#else
#include "components/qlogic/component.h"
using Component = QLogicComp::CComponent;
#endif

#include <signal.h>
#include <sys/stat.h>

#include "framework/run_sequence.h"
#include "support/inherited_descriptors.h"

int main(int argc, char** argv) {
  // First of all, before anything opens a descriptor: which ones the caller
  // handed over, so that a report to /dev/stdout or /dev/fd/N goes only
  // through one of those. A closed 0, 1 or 2 filled with /dev/null after
  // this is not counted as handed over, so this must stay the first step.
  recordInheritedDescriptors();
  // A console that goes away must never end the run: writes to it fail
  // instead. Every child gets SIGPIPE back at its default.
  (void)signal(SIGPIPE, SIG_IGN);
  // Root's log, report and folders are never group- or world-writable,
  // whatever umask the caller had; a stricter one stays.
  const mode_t callerMask = umask(022);
  (void)umask(callerMask | 022);
  int exitCode = 0;
  {
    Component component;  // creates the log directory and file
    exitCode = runComponent(component, argc, argv);
  }
  return exitCode;
}
