// What every fault case asserts about a run besides its own outcome: it ended
// by itself, within its time and memory bounds, and the log kept its past.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "testing/faults/bounded_run.h"

namespace faults {

// Exited normally (no signal, not killed at the deadline) under the peak
// memory bound.
::testing::AssertionResult withinBounds(const Outcome& outcome, const Limits& limits);

// The log still begins with the earlier run's text.
::testing::AssertionResult keptEarlierLog(const std::string& log);

// The console with every "ERROR : Unable to write to log file" line taken
// out, and how many there were.
std::string withoutLogErrors(const std::string& console, int* count);

}  // namespace faults
