// A shell command whose standard output is read line by line while it runs,
// within byte bounds.
#pragma once

#include <cstddef>
#include <string>

#include "support/command_runner.h"
#include "support/line_reader.h"
#include "support/shell_child.h"
#include "support/stopwatch.h"

class CommandStream {
 public:
  // Lines longer than lineBound are dropped whole; the command is stopped
  // after totalBound bytes, at finish(), or when the stream is destroyed.
  CommandStream(const std::string& command, std::size_t lineBound, std::size_t totalBound);

  // The next output line without its "\n"; false at the end of the output,
  // at the total bound, after finish(), or when the command could not be
  // started.
  bool readLine(std::string& line);

  // Stops reading, stops the command if it still runs (as the destructor
  // would), and says how it ended: whether it started, its status, the
  // bytes read and whether reading stopped at the total bound.
  CommandRecord finish();

 private:
  std::string command_;
  Stopwatch stopwatch_;
  ShellChild child_;
  bool started_;
  LineReader reader_;
  bool finished_ = false;
};
