#include "framework/flash_engine.h"

#include <cstdlib>

#include "support/shell_quote.h"

std::string logRedirections(const ComponentLog& log) {
  const std::string path = shellQuote(log.path);
  return " 1>> " + path + " 2>> " + path + " 3>> " + path;
}

CommandStatus runFlashEngine(ComponentLog& log, const std::string& command) {
  const CommandStatus status = decodeSystemStatus(std::system(command.c_str()));
  log.write("Flash Engine exit code: ").write(status.exitCode).write("\n");
  return status;
}
