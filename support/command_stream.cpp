// A shell command's output read line by line within its bounds.
#include "support/command_stream.h"

CommandStream::CommandStream(const std::string& command, std::size_t lineBound, std::size_t totalBound)
    : command_(command),
      child_(command, ShellChild::Output::Captured),
      started_(child_.started()),
      reader_(child_.output(), lineBound, totalBound) {}

bool CommandStream::readLine(std::string& line) {
  // The descriptor is closed once finished: its number may be another's.
  if (finished_) return false;
  return reader_.next(line);
}

CommandRecord CommandStream::finish() {
  finished_ = true;
  CommandRecord record;
  record.text = command_;
  record.started = started_;
  record.status = decodeSystemStatus(child_.finish());
  record.outputBytes = reader_.bytesRead();
  record.cutAtBound = reader_.stoppedAtBound();
  record.milliseconds = stopwatch_.milliseconds();
  return record;
}
