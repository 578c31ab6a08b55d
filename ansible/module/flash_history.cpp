// Judging the flashes of the host's run history.
#include "ansible/module/flash_history.h"

#include <map>

#include "ansible/module/call_records.h"

namespace fleet {

namespace {

using nlohmann::json;

struct FlashRun {
  json started;
  json ended;
};

bool engineRan(const json& ended) {
  const json& engine = memberOf(ended, "engine");
  return !memberOf(engine, "exit_code").is_null() || !memberOf(engine, "signal").is_null();
}

bool samePackage(const FlashRun& run, const PackageIdentity& package) {
  const PackageIdentity ran = packageOf(run.ended.is_null() ? run.started : run.ended);
  return ran.catalogue == package.catalogue && ran.package == package.package;
}

FailedFlash failureOf(const FlashRun& run) {
  FailedFlash failure;
  failure.found = true;
  if (run.ended.is_null()) {
    failure.runId = textOf(run.started, "run_id");
    failure.when = textOf(run.started, "started");
    failure.exitCode = "none recorded";
    failure.reason = "the run has no end recorded (killed, crashed, or the host went down)";
    return failure;
  }
  const json& outcome = memberOf(run.ended, "outcome");
  failure.runId = textOf(run.ended, "run_id");
  failure.when = textOf(run.ended, "ended");
  const json& code = memberOf(outcome, "exit_code");
  failure.exitCode = code.is_number_integer() ? std::to_string(code.get<long long>()) : "none recorded";
  failure.reason = textOf(outcome, "reason");
  return failure;
}

// The flash runs in the order of their first record.
std::vector<FlashRun> flashRuns(const std::vector<std::string>& lines) {
  std::vector<FlashRun> runs;
  std::map<std::string, size_t> byId;
  for (const std::string& line : lines) {
    if (line.find("flash") == std::string::npos) continue;
    json record = parseRecord(line);
    if (textOf(record, "mode") != "flash") continue;
    const std::string id = textOf(record, "run_id");
    const std::string phase = textOf(record, "phase");
    if (id.empty() || (phase != "started" && phase != "ended")) continue;
    const auto known = byId.find(id);
    const size_t at = known != byId.end() ? known->second : runs.size();
    if (at == runs.size()) {
      runs.emplace_back();
      byId[id] = at;
    }
    (phase == "started" ? runs[at].started : runs[at].ended) = std::move(record);
  }
  return runs;
}

}  // namespace

PackageIdentity packageOf(const json& record) {
  return {memberOf(memberOf(record, "catalogue"), "sha256"), memberOf(record, "package")};
}

HostHistory judgeHostHistory(const std::vector<std::string>& lines, const PackageIdentity& package,
                             const std::string& bootId) {
  HostHistory history;
  for (const FlashRun& run : flashRuns(lines)) {
    const bool applied = memberOf(run.ended, "reboot_required") == json(true);
    if (applied && !bootId.empty() && textOf(run.ended, "boot_id") == bootId) history.rebootPending = true;
    if (!samePackage(run, package)) continue;
    if (run.ended.is_null()) {
      history.lastFlashFailed = failureOf(run);
    } else if (engineRan(run.ended)) {
      const std::string word = textOf(memberOf(run.ended, "outcome"), "word");
      history.lastFlashFailed = word == "failed" || word == "engine_exit" ? failureOf(run) : FailedFlash();
    }
  }
  return history;
}

}  // namespace fleet
