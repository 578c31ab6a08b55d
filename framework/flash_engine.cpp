#include "framework/flash_engine.h"

#include "framework/shell_child.h"
#include "framework/shell_quote.h"

std::string logRedirections(const ComponentLog& log) {
  const std::string path = shellQuote(log.path);
  return " 1>> " + path + " 2>> " + path + " 3>> " + path;
}

CommandStatus runFlashEngine(ComponentLog& log, const std::string& command) {
  ShellChild engine(command, ShellChild::Output::Inherited);
  const CommandStatus status = decodeSystemStatus(engine.wait());
  log.write("Flash Engine exit code: ").write(status.exitCode).write("\n");
  return status;
}
