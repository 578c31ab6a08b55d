// The monotonic clock read straight from the kernel: on the oldest hosts the
// C library's clock_gettime lives in librt, a library the component does not
// otherwise need.
#include "support/stopwatch.h"

#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

namespace {

long long monotonicMilliseconds() {
  timespec now{};
  if (::syscall(SYS_clock_gettime, CLOCK_MONOTONIC, &now) != 0) return 0;
  return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

Stopwatch::Stopwatch() : start_(monotonicMilliseconds()) {}

long long Stopwatch::milliseconds() const {
  const long long elapsed = monotonicMilliseconds() - start_;
  return elapsed > 0 ? elapsed : 0;
}
