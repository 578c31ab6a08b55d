// The steps every vendor's tool goes through: made executable, then run as
// the flash engine with its output appended to the component log.
#pragma once

#include <string>

#include "framework/component_log.h"
#include "support/command_runner.h"

// A vendor's flash engine and the arguments of this flash.
struct FlashEngine {
  // The tool as a shell word: the Emulex kit's versioned directory stays a
  // glob for the shell to expand.
  std::string tool;
  // Everything after the tool, each argument with its leading space.
  std::string arguments;
};

// What the "Executing flash engine: " line shows: QLogic and Brocade log the
// engine's own command line, Emulex the whole shell command.
enum class LoggedCommand { EngineOnly, WithLogRedirections };

// Whether the tool is made executable right before it runs, or was already
// (the Emulex kit's script, when the kit is unpacked).
enum class ToolPreparation { MakeExecutable, AlreadyExecutable };

// Mode 755 for every file the tool's glob names: the tool runs as root, so it
// is executable for all and writable by its owner only. A kit archive can
// carry symlinks, so a path through one, or anything but a regular file, is
// left alone. A failure shows when the tool is run.
void makeExecutable(const std::string& tool);

// Logs "Executing flash engine: " with the command, runs it with its standard
// output, standard error and descriptor 3 appended to the component log (or
// to /dev/null when the log is refused), waits for it, whatever signal the
// component gets meanwhile, and logs "Flash Engine exit code: " with the
// code. A shell ended by a signal is logged as 128 plus the signal number and
// comes back signalled: callers never count an interrupted flash as applied.
// The record holds the whole shell command as run, how it ended and how long
// it took; its output went to the log, so no bytes were read.
CommandRecord runFlashEngine(ComponentLog& log, const FlashEngine& engine, LoggedCommand logged,
                             ToolPreparation preparation);
