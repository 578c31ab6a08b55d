// The --history command: its words, and the history printed as text or JSON.
#include "framework/history_command.h"

#include "framework/history_file.h"
#include "framework/history_reader.h"
#include "framework/history_text.h"

namespace {

bool parseCount(const std::string& word, std::size_t& count) {
  if (word.empty() || word.size() > 4 || word[0] == '0') return false;
  std::size_t value = 0;
  for (const char c : word) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  if (value > kHistoryMostRuns) return false;
  count = value;
  return true;
}

void printJson(const HistoryRead& history, std::ostream& out) {
  for (const HistoryRun& run : history.runs) {
    if (!run.started.empty()) out << run.started << '\n';
    if (!run.ended.empty()) out << run.ended << '\n';
  }
}

std::string heading(const HistoryRead& history) {
  const std::string path = historyPath();
  if (!history.found) return "No run history at " + path + ".\n";
  if (history.runs.empty()) return "No runs recorded in " + path + ".\n";
  const std::size_t count = history.runs.size();
  if (count == 1) return "Run history " + path + ": the last run.\n";
  return "Run history " + path + ": the last " + std::to_string(count) + " runs, oldest first.\n";
}

void printText(const HistoryRead& history, std::ostream& out) {
  out << heading(history);
  if (!history.problem.empty()) out << "Not read: " << history.problem << ".\n";
  if (history.skippedLines > 0) {
    out << "Skipped " << history.skippedLines
        << (history.skippedLines == 1 ? " line that is not a record.\n" : " lines that are not records.\n");
  }
  for (const HistoryRun& run : history.runs) out << '\n' << historyRunText(run);
}

}  // namespace

bool parseHistoryArguments(const std::vector<std::string>& words, HistoryRequest& request) {
  bool counted = false;
  HistoryRequest parsed;
  for (const std::string& word : words) {
    if (word == "--json" && !parsed.json) {
      parsed.json = true;
    } else if (counted || !parseCount(word, parsed.count)) {
      return false;
    } else {
      counted = true;
    }
  }
  request = parsed;
  return true;
}

HistoryCommand runHistoryCommand(const std::vector<std::string>& words, std::ostream& out) {
  HistoryRequest request;
  if (!parseHistoryArguments(words, request)) return HistoryCommand::ParseFailure;
  // What could throw here is the allocation of text; what was printed stays.
  try {
    const HistoryRead history = readHistory(request.count);
    if (request.json) {
      printJson(history, out);
    } else {
      printText(history, out);
    }
  } catch (...) {
  }
  out.flush();
  return HistoryCommand::Printed;
}
