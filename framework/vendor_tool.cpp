// Making a vendor tool executable and running it as the flash engine.
#include "framework/vendor_tool.h"

#include <sys/stat.h>

#include "framework/run_signals.h"
#include "support/file_mode.h"
#include "support/path_glob.h"
#include "support/shell_child.h"
#include "support/shell_quote.h"
#include "support/stopwatch.h"
#include "support/utc_time.h"

namespace {

// " 1>> LOG 2>> LOG 3>> LOG": the engine's standard output, standard error
// and descriptor 3 appended to the component log, or to /dev/null when the
// log is refused.
std::string logRedirections(const ComponentLog& log) {
  const std::string path = shellQuote(log.pathForEngine());
  return " 1>> " + path + " 2>> " + path + " 3>> " + path;
}

// Where the engine's output begins and ends in the log, so that the record
// of the run can read it back; -1 when the log is not a regular file.
long long logSize(const ComponentLog& log) {
  struct stat info;
  if (::lstat(log.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
  return static_cast<long long>(info.st_size);
}

}  // namespace

void makeExecutable(const std::string& tool) {
  for (const std::string& path : expandGlob(tool)) (void)setModeWithoutFollowing(path, 0755);
}

CommandRecord runFlashEngine(ComponentLog& log, const FlashEngine& engine, LoggedCommand logged,
                             ToolPreparation preparation) {
  const std::string engineCommand = engine.tool + engine.arguments;
  const std::string command = engineCommand + logRedirections(log);
  log.write("Executing flash engine: ")
      .write(logged == LoggedCommand::EngineOnly ? engineCommand : command)
      .write("\n");
  if (preparation == ToolPreparation::MakeExecutable) makeExecutable(engine.tool);
  // From here a signal is recorded and the engine left to finish.
  flashStarted();
  CommandRecord record;
  record.text = command;
  record.startedAt = nowMilliseconds();
  record.appendedFrom = logSize(log);
  const Stopwatch stopwatch;
  ShellChild child(command, ShellChild::Output::Inherited);
  record.started = child.started();
  record.status = decodeSystemStatus(child.wait());
  record.milliseconds = stopwatch.milliseconds();
  record.appendedTo = logSize(log);
  log.write("Flash Engine exit code: ").write(record.status.exitCode).write("\n");
  return record;
}
