// The exit codes a run gives itself; any other is a flash engine's own,
// passed through.
#pragma once

constexpr int kExitApplied = 1;      // the updates were applied
constexpr int kExitNothingDone = 3;  // usage, report, nothing pending, no supported hardware
constexpr int kExitFailed = 7;       // bad command line, no catalogue or adapters, failed flash
