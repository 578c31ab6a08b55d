// The records a component run left in the run history, found by its process
// id, and what the module's answer takes from them.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace fleet {

// A run's two records as stored; null where the history holds none.
struct RunRecords {
  nlohmann::json started;
  nlohmann::json ended;
  bool found() const { return !started.is_null() || !ended.is_null(); }
};

// The process id in a run id ("20240501T102203Z-4242-9f86d081884c7d65");
// -1 when the id is not of that form.
long runIdProcess(const std::string& runId);

// The last run of process pid among the lines: its started record (by the
// run id) and its ended record (by the run id, or the pid when the started
// record is missing). Lines that are no records are skipped.
RunRecords recordsOfProcess(const std::vector<std::string>& lines, long pid);

// The history's words for a record's values: a text, or "" for null and
// any other type.
std::string textOf(const nlohmann::json& record, const char* key);
const nlohmann::json& memberOf(const nlohmann::json& record, const char* key);

// A record line parsed as an object, nesting bounded; null for any other line.
nlohmann::json parseRecord(const std::string& line);

}  // namespace fleet
