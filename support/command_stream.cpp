// A shell command's output read line by line within its bounds.
#include "support/command_stream.h"

CommandStream::CommandStream(const std::string& command, std::size_t lineBound, std::size_t totalBound)
    : child_(command, ShellChild::Output::Captured), reader_(child_.output(), lineBound, totalBound) {}

bool CommandStream::readLine(std::string& line) { return reader_.next(line); }
