// What a run does with SIGTERM, SIGINT and SIGHUP: each is recorded in the
// log the moment it arrives. Before the flash engine starts, the run then
// stops its children and ends with 7 through its normal path (within a few
// seconds, or at once if that path cannot end); once the engine runs, the run goes on,
// lets the engine finish and reports its outcome, since a flash cut short
// can leave an adapter without firmware and a finished one must never be
// reported as failed.
#pragma once

#include <string>
#include <vector>

#include "framework/component_log.h"

// Starts watching for the run described by log (its path and quiet flag as
// they are now). A signal that was ignored when the process started (nohup)
// stays ignored.
void watchRunSignals(const ComponentLog& log);

// From here to the end of the process a signal no longer ends the run.
void flashStarted();

// The run signals received so far, by name ("SIGTERM"), in signal order.
std::vector<std::string> receivedRunSignals();
