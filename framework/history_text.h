// A run of the history as an administrator reads it on a host without tools:
// when, which program, how it ended and why, the adapters with what each has
// and what the package offers, and the flash engine's code and last output.
#pragma once

#include <string>

#include "framework/history_reader.h"

// The run as plain text, one or more lines each ending in "\n", indented
// under a first line that starts with the run's start time. Facts come from
// the ended record, else from the started one; a run without an ended record
// reads as outcome "unknown". Control bytes in stored texts show as "?".
std::string historyRunText(const HistoryRun& run);
