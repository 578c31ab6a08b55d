// Capturing a command's bounded output with its status, and decoding wait statuses.
#include "support/command_runner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "support/shell_child.h"
#include "support/stopwatch.h"
#include "support/utc_time.h"

CommandRecord commandRecord(const std::string& text, const CommandResult& result) {
  CommandRecord record;
  record.text = text;
  record.started = result.started;
  record.status = result.status;
  record.outputBytes = result.output.size();
  record.cutAtBound = result.cutAtBound;
  record.milliseconds = result.milliseconds;
  record.startedAt = nowMilliseconds() - result.milliseconds;
  return record;
}

CommandResult runCaptured(const std::string& command, std::size_t bound) {
  CommandResult result;
  const Stopwatch stopwatch;
  ShellChild child(command, ShellChild::Output::Captured);
  if (!child.started()) return result;
  result.started = true;
  char piece[65536];
  while (result.output.size() < bound) {
    const std::size_t room = bound - result.output.size();
    const ssize_t n = ::read(child.output(), piece, room < sizeof piece ? room : sizeof piece);
    if (n < 0 && errno == EINTR) continue;
    // A read error ends the capture as the end of the output does.
    if (n <= 0) break;
    result.output.append(piece, static_cast<std::size_t>(n));
  }
  result.cutAtBound = result.output.size() >= bound;
  result.status = decodeSystemStatus(child.finish());
  result.milliseconds = stopwatch.milliseconds();
  return result;
}

std::string runCommand(const std::string& command, std::size_t bound) {
  CommandResult result = runCaptured(command, bound);
  if (!result.started) return "ERROR";
  return std::move(result.output);
}

CommandStatus decodeSystemStatus(int status) {
  if (status == -1) return {255, false};
  if (WIFSIGNALED(status)) return {128 + WTERMSIG(status), true};
  return {(status >> 8) & 0xff, false};
}
