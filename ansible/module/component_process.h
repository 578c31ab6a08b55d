// Running the component as a child process and capturing what it prints.
#pragma once

#include <string>
#include <vector>

namespace fleet {

struct ProcessResult {
  // false: the program could not be run, or its end could not be waited
  // for (its outcome is unknown); error says why
  bool started = false;
  std::string error;
  bool signalled = false;  // ended by a signal; exitCode is then minus its number
  int exitCode = 0;
  long pid = 0;        // the child's process id, which names its run in the run history
  std::string output;  // standard output and error together, at most kOutputBound bytes
};

// What a child may print before the rest is read and dropped: the component
// prints a few lines, a runaway child must not exhaust the module's memory.
constexpr size_t kOutputBound = 1 << 20;

struct ChildCommand {
  std::string program;  // an absolute path
  std::vector<std::string> args;
  std::string dir;  // the working directory
  bool hasRoot = false;
  std::string root;  // FCUPDATE_ROOT when hasRoot; otherwise the variable is removed
};

// Runs the program directly (no shell), with standard input from /dev/null,
// and waits for it. Its output is read until it ends: a process it leaves
// behind holding the output open is not waited for.
ProcessResult runProcess(const ChildCommand& command);

}  // namespace fleet
