// Capturing a command's output through popen, and decoding system() statuses.
#include "support/command_runner.h"

#include <sys/wait.h>

#include <cstdio>

std::string runCommand(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return "ERROR";
  std::string output;
  char piece[128];
  // A read error ends the capture as end of file does: what arrived is kept.
  while (std::fgets(piece, sizeof piece, pipe) != nullptr) output += piece;
  pclose(pipe);
  return output;
}

CommandStatus decodeSystemStatus(int status) {
  if (status == -1) return {255, false};
  if (WIFSIGNALED(status)) return {128 + WTERMSIG(status), true};
  return {(status >> 8) & 0xff, false};
}
