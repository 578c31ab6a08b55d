// The component log: console echo and appending to the log file.
#include "framework/component_log.h"

#include <cstdio>
#include <cstdlib>

#include "support/console.h"
#include "support/shell_quote.h"
#include "support/system_root.h"
#include "support/wide_text.h"

ComponentLog::ComponentLog() : path(hostPath("/var/vlx/Component.log")) {
  const std::string dir = hostPath("/var/vlx");
  // Results are ignored: a log that cannot be created shows itself at each write.
  (void)std::system(("mkdir -p " + shellQuote(dir)).c_str());
  (void)std::system(("touch " + shellQuote(path)).c_str());
}

ComponentLog& ComponentLog::write(const std::string& text) {
  if (!quiet) writeStdout(text);
  append(text);
  return *this;
}

ComponentLog& ComponentLog::write(const std::wstring& text) {
  const std::string bytes = toConsoleBytes(text);
  if (!quiet) writeStdout(bytes);
  append(bytes);
  return *this;
}

ComponentLog& ComponentLog::write(int value) {
  const std::string digits = std::to_string(value);
  if (!quiet) writeStdout(digits);
  append(digits);
  return *this;
}

void ComponentLog::append(const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "a");
  if (file == nullptr) {
    writeStdout(std::string("ERROR : Unable to write to log file\n"));
    return;
  }
  // Like the open failure, a failed write changes nothing about the run.
  (void)std::fwrite(bytes.data(), 1, bytes.size(), file);
  (void)std::fclose(file);
}
