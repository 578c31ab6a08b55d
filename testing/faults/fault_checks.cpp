// The checks every fault case makes about a run.
#include "testing/faults/fault_checks.h"

#include "testing/faults/fault_server.h"

namespace faults {

::testing::AssertionResult withinBounds(const Outcome& outcome, const Limits& limits) {
  if (outcome.timedOut) return ::testing::AssertionFailure() << "hung: " << describe(outcome);
  if (outcome.signal != 0 || outcome.exitCode < 0) {
    return ::testing::AssertionFailure() << "did not exit: " << describe(outcome);
  }
  if (!underValgrind() && outcome.peakKb > limits.peakKb) {
    return ::testing::AssertionFailure()
           << "over the " << limits.peakKb << " kB bound: " << describe(outcome);
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult keptEarlierLog(const std::string& log) {
  if (log.rfind(kEarlierLog, 0) == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "the log lost its earlier text; it begins with \"" << log.substr(0, 200) << "\"";
}

std::string withoutLogErrors(const std::string& console, int* count) {
  static const std::string error = "ERROR : Unable to write to log file\n";
  std::string rest;
  *count = 0;
  std::size_t at = 0;
  for (std::size_t found = console.find(error); found != std::string::npos; found = console.find(error, at)) {
    rest += console.substr(at, found - at);
    at = found + error.size();
    ++*count;
  }
  return rest + console.substr(at);
}

}  // namespace faults
