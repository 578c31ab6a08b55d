// Running shell commands: capturing a query's output, and reading the wait
// status of a flash engine.
#pragma once

#include <cstddef>
#include <string>

#include "support/bounded_list.h"

// The most of a vendor tool's output that is kept: far above any real
// query, far below what would exhaust the memory of an old server.
constexpr std::size_t kToolOutputBound = std::size_t{16} * 1024 * 1024;

// What a wait status says about the command it ran.
struct CommandStatus {
  int exitCode;    // the shell's exit status; 128 + signal when signalled
  bool signalled;  // the shell itself was ended by a signal

  // The signal that ended the shell, or 0.
  int signalNumber() const { return signalled ? exitCode - 128 : 0; }
};

// A captured command as it ended: whether a shell could be started at all,
// how it ended, and at most the bound of its standard output.
struct CommandResult {
  bool started = false;
  CommandStatus status{255, false};
  std::string output;
  // Reading stopped at the bound and the command was stopped: it may have
  // had more to say.
  bool cutAtBound = false;
  long long milliseconds = 0;
};

// What a run keeps of a command once its output has been used: enough to
// say later whether it ran and how it ended, without the output itself.
struct CommandRecord {
  std::string text;
  bool started = false;
  CommandStatus status{255, false};
  std::size_t outputBytes = 0;
  bool cutAtBound = false;
  long long milliseconds = 0;
  long long startedAt = 0;  // the real-time clock in milliseconds since the epoch
  // For a command whose output was appended to a file (the flash engine's,
  // to the log): the file's size before it began and after it ended; -1
  // when not known.
  long long appendedFrom = -1;
  long long appendedTo = -1;
};

// The commands of one run, in the order they ran; past 256 only counted.
using CommandRecords = BoundedList<CommandRecord, 256>;

CommandRecord commandRecord(const std::string& text, const CommandResult& result);

// Runs the command through the shell and keeps at most bound bytes of its
// standard output; a command with more to say is then stopped, and its
// status says so.
CommandResult runCaptured(const std::string& command, std::size_t bound = kToolOutputBound);

// The output of runCaptured, or "ERROR" when the command cannot be started.
// The exit status is discarded. The run itself uses runCaptured, which tells
// a command that printed "ERROR" from one that never started.
std::string runCommand(const std::string& command, std::size_t bound = kToolOutputBound);

// A status of -1 (no shell could be run) reads as exit code 255, not signalled.
CommandStatus decodeSystemStatus(int status);
