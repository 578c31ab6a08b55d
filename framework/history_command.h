// What "--history" does once the command line has chosen it: prints the last
// runs of the history, as text or as the records stored, and nothing else.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

constexpr std::size_t kHistoryDefaultRuns = 10;
constexpr std::size_t kHistoryMostRuns = 1000;

struct HistoryRequest {
  std::size_t count = kHistoryDefaultRuns;
  bool json = false;
};

// The words beside "--history": at most one count N (decimal digits without
// sign or leading zero, 1 to kHistoryMostRuns) and at most one "--json", in
// any order. False on anything else.
bool parseHistoryArguments(const std::vector<std::string>& words, HistoryRequest& request);

enum class HistoryCommand {
  Printed,       // the run ends with "nothing done"
  ParseFailure,  // the run ends as any malformed command line does
};

// Parses the words and, when they are well formed, prints the history to out:
// as text with a heading, or with --json the stored records, one a line,
// oldest first (a run's started record before its ended one) and nothing
// else. Reads only: takes no lock and changes no file.
HistoryCommand runHistoryCommand(const std::vector<std::string>& words, std::ostream& out);
