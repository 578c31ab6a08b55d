// Running a vendor flash engine: its output appended to the component log,
// its exit status read and logged the same way for every vendor.
#pragma once

#include <string>

#include "framework/command_runner.h"
#include "framework/component_log.h"

// " 1>> LOG 2>> LOG 3>> LOG": the engine's standard output, standard error
// and descriptor 3 appended to the component log.
std::string logRedirections(const ComponentLog& log);

// Runs the command through the shell, waits for it and writes
// "Flash Engine exit code: " with the code to the log. A shell ended by a
// signal is logged as 128 plus the signal number and comes back signalled,
// so that callers never count an interrupted flash as applied.
CommandStatus runFlashEngine(ComponentLog& log, const std::string& command);
