// Running shell commands: capturing a query's output, and reading the status
// that system() returns for a flash engine.
#pragma once

#include <string>

// Runs the command through the shell and returns its whole standard output,
// or "ERROR" when the command cannot be started. The exit status is discarded.
std::string runCommand(const std::string& command);

// What a system() status says about the command it ran.
struct CommandStatus {
  int exitCode;    // the shell's exit status; 128 + signal when signalled
  bool signalled;  // the shell itself was ended by a signal
};

// A status of -1 (no shell could be run) reads as exit code 255, not signalled.
CommandStatus decodeSystemStatus(int status);
