// The writer of every progress message: echoed to the console unless quiet,
// and appended to the component log file, which accumulates across runs.
#pragma once

#include <string>

class ComponentLog {
 public:
  // Creates the log directory and file with the shell (results ignored), so
  // that every run leaves them in place, even one that only prints usage.
  ComponentLog();

  ComponentLog& write(const std::string& text);
  ComponentLog& write(const std::wstring& text);
  ComponentLog& write(int value);

  std::string path;  // "/var/vlx/Component.log" below the system root
  bool quiet = false;

 private:
  // Opens the file for this one write only, so that a flash engine's output,
  // appended by the shell in between, lands in time order.
  void append(const std::string& bytes);
};
