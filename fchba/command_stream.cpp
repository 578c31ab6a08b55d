#include "fchba/command_stream.h"

#include "fchba/line_reader.h"

CommandStream::CommandStream(const std::string& command) : pipe_(popen(command.c_str(), "r")) {}

CommandStream::~CommandStream() {
  if (pipe_ != nullptr) pclose(pipe_);
}

bool CommandStream::readLine(std::string& line) { return pipe_ != nullptr && readWholeLine(pipe_, line); }
