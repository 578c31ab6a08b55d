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

#include "framework/run_sequence.h"

int main(int argc, char** argv) {
  int exitCode = 0;
  {
    Component component;  // creates the log directory and file
    exitCode = runComponent(component, argc, argv);
  }
  return exitCode;
}
