// The whole-run benchmark's results: medians of repeated runs, and the table
// with the verdict on the cost targets.
#pragma once

#include <string>
#include <vector>

#include "bench/whole_run/process_usage.h"

namespace wholerun {

struct TableRow {
  int adapters;
  std::string run;  // "report" or "flash"
  ProcessUsage usage;
};

// Each measure's median over the samples, taken measure by measure.
ProcessUsage medianUsage(const std::vector<ProcessUsage>& samples);

// A markdown table, one row per run, then the targets judged at the largest
// adapter count: the component's own CPU time at most 10% of the total, its
// peak resident memory under 16 MB, and how its own CPU time grew.
std::string formatTable(const std::vector<TableRow>& rows, int reps);

}  // namespace wholerun
