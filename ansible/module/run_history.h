// The component's run history as the module reads it: where it lies below
// the system root, a mark of its size before a run, and the lines written
// since, the older file included when the history was renamed meanwhile.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace fleet {

// The history below a system root ("" is the host's own), and the older
// file the component renames it to past 16 MiB.
std::string runHistoryPath(const std::string& systemRoot);
std::string olderRunHistoryPath(const std::string& systemRoot);

// What the history was before a run: a later file of another inode is a new
// one, and what the marked one gained went with the rename.
struct HistoryMark {
  bool existed = false;
  unsigned long long inode = 0;
  long long size = 0;
};

HistoryMark markHistory(const std::string& path);

// The history never exceeds 16 MiB and a record 1 MiB: a file is read to
// this bound, its newest part.
constexpr long long kHistoryFileBound = (16LL << 20) + (1LL << 20);

struct HistoryLines {
  std::vector<std::string> lines;
  // Why a file was not read, for the answer's message; empty when it was.
  std::string problem;
};

// The lines written to the history since the mark (the older file's tail
// from the mark, then the new file, after a rename).
HistoryLines historyLinesSince(const std::string& path, const std::string& olderPath,
                               const HistoryMark& mark);

// Gives every line of both files to visit, oldest first, each file to its
// bound, read a piece at a time so that a full history never sits in memory
// whole. Returns why a file was not read; empty when both were (or are
// missing).
std::string forEachHistoryLine(const std::string& path, const std::string& olderPath,
                               const std::function<void(const std::string&)>& visit);

}  // namespace fleet
