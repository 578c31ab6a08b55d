// Reading the run history back: the last runs, each with the records it
// left, as they are stored.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// A run's two records, each the line as stored (without its line end). A run
// that left no "ended" record (killed, crashed, a power cut) has only its
// "started" one; one whose "started" record went with an older file has only
// its "ended" one.
struct HistoryRun {
  std::string runId;
  std::string started;
  std::string ended;
};

struct HistoryRead {
  std::vector<HistoryRun> runs;  // oldest first
  bool found = false;            // whether there is a history at all
  std::size_t skippedLines = 0;  // lines that are not records of a run
  std::string problem;           // why a history file could not be read
};

// What is read of each file: its last part, enough for a whole file kept
// before it is renamed.
constexpr std::size_t kHistoryReadBytes = (16u << 20) + (1u << 20);

// The last `count` runs of the history, the older file included when the
// current one holds fewer. Each file is opened without following a link and
// without blocking, read only if it is a regular file, and only its last
// kHistoryReadBytes. A run is ordered by its first record; "ended" records
// are paired with the "started" record of the same run_id before them.
// Lines that do not parse as such records are skipped. Throws nothing.
HistoryRead readHistory(std::size_t count);

// The same over the given files, oldest first (for tests).
HistoryRead readHistoryFiles(const std::vector<std::string>& paths, std::size_t count);
