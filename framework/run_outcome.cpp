// The outcome word, cause and reason of a run, from its exit code and facts.
#include "framework/run_outcome.h"

#include "framework/run_exit.h"
#include "framework/run_signals.h"
#include "support/child_groups.h"

namespace {

RunOutcome failed(const std::string& cause, const std::string& reason) { return {"failed", cause, reason}; }

std::string firstSignal() {
  const std::vector<std::string> signals = receivedRunSignals();
  return signals.empty() ? std::string("a signal") : signals.front();
}

// The refusal as logged, without its "ERROR! : " and line end.
std::string plainLine(std::string text) {
  const std::string mark = "ERROR! : ";
  if (text.compare(0, mark.size(), mark) == 0) text.erase(0, mark.size());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

RunOutcome catalogueOutcome(const CatalogueFacts& facts) {
  if (facts.error == "missing") return failed("catalogue_missing", "reference.xml is missing");
  const std::string error = facts.error.empty() ? std::string("not loaded") : facts.error;
  const bool verb = error.compare(0, 7, "cannot ") == 0;
  return failed("catalogue_invalid", "reference.xml " + std::string(verb ? "" : "is ") + error);
}

// Discovery found nothing to work on: a library that did not load says
// why; otherwise sysfs tells an empty host from adapters not seen.
RunOutcome noAdaptersOutcome(const RunFacts& facts) {
  for (const LibraryFacts& library : facts.discovery.libraries) {
    if (library.loaded) continue;
    return failed("library_failed", "the library " + library.path + " did not load: " + library.error);
  }
  std::string reason = "no Fibre Channel adapter was discovered";
  if (!facts.discovery.configurationRead) reason += ": /etc/hba.conf could not be read";
  if (facts.sysfsFcFunctions == 0) reason += "; sysfs lists no Fibre Channel function";
  if (facts.sysfsFcFunctions > 0) {
    reason += "; sysfs lists " + std::to_string(facts.sysfsFcFunctions) + " Fibre Channel function" +
              (facts.sysfsFcFunctions == 1 ? "" : "s") + " that no library reported";
  }
  return failed("no_adapters", reason);
}

RunOutcome engineOutcome(const CommandRecord& engine, int exitCode) {
  if (!engine.started) return failed("engine_failed", "the flash engine could not be started");
  const CommandStatus& status = engine.status;
  if (status.signalled) {
    return failed("engine_failed",
                  "the flash engine was ended by signal " + std::to_string(status.signalNumber()));
  }
  const std::string ended = "the flash engine ended with " + std::to_string(status.exitCode);
  if (exitCode == kExitApplied) return {"applied", "none", ended};
  if (exitCode == kExitNothingDone) return {"nothing_done", "none", ended + ": nothing was updated"};
  if (exitCode == kExitFailed) return failed("engine_failed", ended);
  return {"engine_exit", "engine_exit", ended + ", passed on as the exit code"};
}

RunOutcome lockOutcome(const RunStory& story) {
  if (story.lock == RunLockStory::Interrupted) {
    const std::string signal = story.lockSignal.empty() ? firstSignal() : story.lockSignal;
    return failed("signal", signal + " came while the run waited for the run lock");
  }
  return failed("lock_timeout", "another run held the run lock for more than " +
                                    std::to_string(story.lockBoundSeconds) + " s");
}

RunOutcome flashOutcome(CBaseCmp& c, int exitCode) {
  if (!c.facts.engine.text.empty()) return engineOutcome(c.facts.engine, exitCode);
  if (exitCode == kExitFailed) {
    if (c.facts.kitRefused)
      return failed("kit_refused", "the Emulex kit was refused: " + plainLine(c.facts.toolRefusal));
    if (!c.facts.toolRefusal.empty()) return failed("tool_refused", plainLine(c.facts.toolRefusal));
    return noAdaptersOutcome(c.facts);
  }
  if (c.updateDecision() != UpdateDecision::Upgrade && !c.options.force) {
    return {"nothing_done", "none", "no firmware item is offered as an upgrade"};
  }
  return {"nothing_done", "no_adapters", "no installed adapter is in the catalogue"};
}

}  // namespace

RunOutcome runOutcome(CBaseCmp& c, const RunStory& story) {
  if (story.parseFailed) return {"parse_error", "parse_error", "the command line could not be parsed"};
  if (story.lock == RunLockStory::TimedOut || story.lock == RunLockStory::Interrupted)
    return lockOutcome(story);
  if (runStopping()) return failed("signal", firstSignal() + " stopped the run before the flash");
  if (!c.facts.catalogue.loaded) return catalogueOutcome(c.facts.catalogue);
  if (c.reportMode() && story.exitCode != kExitFailed) {
    if (c.facts.reportWritten)
      return {"report_written", "none", "the report was written to " + c.options.reportPath};
    return {"report_failed", "report_failed", "the report could not be written to " + c.options.reportPath};
  }
  return flashOutcome(c, story.exitCode);
}
