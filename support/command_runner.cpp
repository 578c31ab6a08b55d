// Capturing a command's bounded output, and decoding wait statuses.
#include "support/command_runner.h"

#include <sys/wait.h>

#include "support/shell_child.h"

std::string runCommand(const std::string& command, std::size_t bound) {
  std::string output;
  if (!captureOutput(command, bound, output)) return "ERROR";
  return output;
}

CommandStatus decodeSystemStatus(int status) {
  if (status == -1) return {255, false};
  if (WIFSIGNALED(status)) return {128 + WTERMSIG(status), true};
  return {(status >> 8) & 0xff, false};
}
