// A shell command whose standard output is read line by line while it runs,
// within byte bounds.
#pragma once

#include <cstddef>
#include <string>

#include "support/line_reader.h"
#include "support/shell_child.h"

class CommandStream {
 public:
  // Lines longer than lineBound are dropped whole; the command is stopped
  // after totalBound bytes, or when the stream is destroyed.
  CommandStream(const std::string& command, std::size_t lineBound, std::size_t totalBound);

  // The next output line without its "\n"; false at the end of the output,
  // at the total bound, or when the command could not be started.
  bool readLine(std::string& line);

 private:
  ShellChild child_;
  LineReader reader_;
};
