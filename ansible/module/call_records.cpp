// Picking one run's records out of the history's lines.
#include "ansible/module/call_records.h"

#include <cstdlib>

#include "ansible/module/bounded_json.h"

namespace fleet {

namespace {

// Records nest a few levels (adapters, their ports); far deeper is no record.
constexpr int kRecordNesting = 16;

const nlohmann::json kNull;

bool isPhase(const nlohmann::json& record, const char* phase) { return textOf(record, "phase") == phase; }

}  // namespace

long runIdProcess(const std::string& runId) {
  const size_t first = runId.find('-');
  if (first == std::string::npos) return -1;
  const size_t second = runId.find('-', first + 1);
  if (second == std::string::npos || second == first + 1 || second - first > 11) return -1;
  long pid = 0;
  for (size_t i = first + 1; i < second; ++i) {
    if (runId[i] < '0' || runId[i] > '9') return -1;
    pid = pid * 10 + (runId[i] - '0');
  }
  return pid;
}

const nlohmann::json& memberOf(const nlohmann::json& record, const char* key) {
  if (!record.is_object()) return kNull;
  const auto found = record.find(key);
  return found == record.end() ? kNull : *found;
}

std::string textOf(const nlohmann::json& record, const char* key) {
  const nlohmann::json& value = memberOf(record, key);
  return value.is_string() ? value.get<std::string>() : "";
}

nlohmann::json parseRecord(const std::string& line) {
  nlohmann::json record;
  if (parseBoundedJson(line, kRecordNesting, record) != JsonParse::parsed || !record.is_object())
    return nullptr;
  return record;
}

RunRecords recordsOfProcess(const std::vector<std::string>& lines, long pid) {
  RunRecords run;
  // Both records carry the run id, which holds the pid: a cheap test first.
  const std::string needle = "-" + std::to_string(pid) + "-";
  for (const std::string& line : lines) {
    if (line.find(needle) == std::string::npos) continue;
    nlohmann::json record = parseRecord(line);
    const std::string runId = textOf(record, "run_id");
    if (runIdProcess(runId) != pid) continue;
    if (isPhase(record, "started")) {
      run.started = std::move(record);
      run.ended = nullptr;
    } else if (isPhase(record, "ended") &&
               (run.started.is_null() || textOf(run.started, "run_id") == runId)) {
      run.ended = std::move(record);
    }
  }
  return run;
}

}  // namespace fleet
