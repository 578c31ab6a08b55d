// A shell command whose standard output is read line by line while it runs.
#pragma once

#include <cstdio>
#include <string>

class CommandStream {
 public:
  explicit CommandStream(const std::string& command);
  ~CommandStream();
  CommandStream(const CommandStream&) = delete;
  CommandStream& operator=(const CommandStream&) = delete;

  // The next output line without its "\n"; false at the end of the output or
  // when the command could not be started.
  bool readLine(std::string& line);

 private:
  std::FILE* pipe_;
};
