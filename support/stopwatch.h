// Elapsed wall time of a command, on the monotonic clock, so that a clock
// set back while a tool runs cannot give it a negative duration.
#pragma once

#include <chrono>

class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}

  long long milliseconds() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_)
        .count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};
