// Judging the flashes of the host's run history.
#include "ansible/module/flash_history.h"

#include "ansible/module/call_records.h"

namespace fleet {

namespace {

using nlohmann::json;

bool engineRan(const json& ended) {
  const json& engine = memberOf(ended, "engine");
  return !memberOf(engine, "exit_code").is_null() || !memberOf(engine, "signal").is_null();
}

bool samePackage(const json& record, const PackageIdentity& package) {
  const PackageIdentity ran = packageOf(record);
  return ran.catalogue == package.catalogue && ran.package == package.package;
}

}  // namespace

PackageIdentity packageOf(const json& record) {
  return {memberOf(memberOf(record, "catalogue"), "sha256"), memberOf(record, "package")};
}

void FlashHistoryJudge::started(const json& record, Run& run) const {
  if (run.ended) return;
  run.samePackage = samePackage(record, package_);
  run.failure.runId = textOf(record, "run_id");
  run.failure.when = textOf(record, "started");
  run.failure.exitCode = "none recorded";
  run.failure.reason = "the run has no end recorded (killed, crashed, or the host went down)";
}

void FlashHistoryJudge::ended(const json& record, Run& run) {
  const json& outcome = memberOf(record, "outcome");
  const std::string word = textOf(outcome, "word");
  const json& code = memberOf(outcome, "exit_code");
  run.ended = true;
  run.samePackage = samePackage(record, package_);
  run.engineRan = engineRan(record);
  run.failed = word == "failed" || word == "engine_exit";
  run.failure.runId = textOf(record, "run_id");
  run.failure.when = textOf(record, "ended");
  run.failure.exitCode = code.is_number_integer() ? std::to_string(code.get<long long>()) : "none recorded";
  run.failure.reason = textOf(outcome, "reason");
  const bool applied = memberOf(record, "reboot_required") == json(true);
  if (applied && !bootId_.empty() && textOf(record, "boot_id") == bootId_) rebootPending_ = true;
}

void FlashHistoryJudge::line(const std::string& text) {
  // Report runs, the most of a history, are passed over without parsing.
  if (text.find("flash") == std::string::npos) return;
  const json record = parseRecord(text);
  if (textOf(record, "mode") != "flash") return;
  const std::string id = textOf(record, "run_id");
  const std::string phase = textOf(record, "phase");
  if (id.empty() || (phase != "started" && phase != "ended")) return;
  const auto known = byId_.find(id);
  const size_t at = known != byId_.end() ? known->second : runs_.size();
  if (at == runs_.size()) {
    runs_.emplace_back();
    byId_[id] = at;
  }
  if (phase == "started") {
    started(record, runs_[at]);
  } else {
    ended(record, runs_[at]);
  }
}

HostHistory FlashHistoryJudge::verdict() const {
  HostHistory history;
  history.rebootPending = rebootPending_;
  for (const Run& run : runs_) {
    if (!run.samePackage) continue;
    if (!run.ended) {
      history.lastFlashFailed = run.failure;
      history.lastFlashFailed.found = true;
    } else if (run.engineRan) {
      history.lastFlashFailed = run.failed ? run.failure : FailedFlash();
      history.lastFlashFailed.found = run.failed;
    }
  }
  return history;
}

HostHistory judgeHostHistory(const std::vector<std::string>& lines, const PackageIdentity& package,
                             const std::string& bootId) {
  FlashHistoryJudge judge(package, bootId);
  for (const std::string& line : lines) judge.line(line);
  return judge.verdict();
}

}  // namespace fleet
