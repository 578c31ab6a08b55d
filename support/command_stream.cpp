// A popen stream read line by line.
#include "support/command_stream.h"

#include "support/line_reader.h"

CommandStream::CommandStream(const std::string& command) : pipe_(popen(command.c_str(), "r")) {}

CommandStream::~CommandStream() {
  if (pipe_ != nullptr) pclose(pipe_);
}

bool CommandStream::readLine(std::string& line) { return pipe_ != nullptr && readWholeLine(pipe_, line); }
