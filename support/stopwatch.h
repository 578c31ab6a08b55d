// Elapsed wall time of a command, on the monotonic clock, so that a clock
// set back while a tool runs cannot give it a negative duration.
#pragma once

class Stopwatch {
 public:
  Stopwatch();
  long long milliseconds() const;

 private:
  long long start_;
};
