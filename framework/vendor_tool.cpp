// Making a vendor tool executable and running it as the flash engine.
#include "framework/vendor_tool.h"

#include <cstdlib>

#include "support/shell_quote.h"

namespace {

// " 1>> LOG 2>> LOG 3>> LOG": the engine's standard output, standard error
// and descriptor 3 appended to the component log.
std::string logRedirections(const ComponentLog& log) {
  const std::string path = shellQuote(log.path);
  return " 1>> " + path + " 2>> " + path + " 3>> " + path;
}

}  // namespace

void makeExecutable(const std::string& tool) { (void)std::system(("chmod 755 " + tool).c_str()); }

CommandStatus runFlashEngine(ComponentLog& log, const FlashEngine& engine, LoggedCommand logged,
                             ToolPreparation preparation) {
  const std::string engineCommand = engine.tool + engine.arguments;
  const std::string command = engineCommand + logRedirections(log);
  log.write("Executing flash engine: ")
      .write(logged == LoggedCommand::EngineOnly ? engineCommand : command)
      .write("\n");
  if (preparation == ToolPreparation::MakeExecutable) makeExecutable(engine.tool);
  const CommandStatus status = decodeSystemStatus(std::system(command.c_str()));
  log.write("Flash Engine exit code: ").write(status.exitCode).write("\n");
  return status;
}
