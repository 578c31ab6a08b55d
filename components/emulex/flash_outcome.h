// What the Emulex kit's exit status means: the messages written for it and
// the component result the run ends with.
#pragma once

#include "framework/component_log.h"
#include "support/command_runner.h"

namespace EmulexComp {

// Writes the messages for the status and returns the result: 1 applied,
// 3 nothing to do, 7 failed, any code without a message passed through.
// A kit that was ended by a signal counts as failed.
int reportFlashOutcome(ComponentLog& log, const CommandStatus& status);

}  // namespace EmulexComp
