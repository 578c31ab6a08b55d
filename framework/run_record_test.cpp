// The run's outcome words and the ended record's keys, from the facts a run
// keeps, and the engine's tail read back from the log.
#include "framework/run_record.h"

#include <gtest/gtest.h>

#include "framework/run_outcome.h"
#include "testing/test_support.h"

using testsupport::ScopedChdir;
using testsupport::ScopedEnv;
using testsupport::TempDir;

namespace {

struct OutcomeCase {
  const char* name;
  void (*arrange)(CBaseCmp& c, RunStory& story);
  const char* expected;  // word/cause/reason
};

std::string described(const RunOutcome& o) { return o.word + "/" + o.cause + "/" + o.reason; }

void loaded(CBaseCmp& c) { c.facts.catalogue.loaded = true; }

void engineEnded(CBaseCmp& c, int code, bool signalled) {
  loaded(c);
  c.facts.engine.text = "./engine";
  c.facts.engine.started = true;
  c.facts.engine.status = {signalled ? 128 + code : code, signalled};
}

const OutcomeCase kOutcomes[] = {
    {"parse", [](CBaseCmp&, RunStory& s) { s.parseFailed = true; },
     "parse_error/parse_error/the command line could not be parsed"},
    {"lock", [](CBaseCmp&, RunStory& s) { s.lock = RunLockStory::TimedOut, s.lockBoundSeconds = 5; },
     "failed/lock_timeout/another run held the run lock for more than 5 s"},
    {"missing", [](CBaseCmp& c, RunStory&) { c.facts.catalogue.error = "missing"; },
     "failed/catalogue_missing/reference.xml is missing"},
    {"broken", [](CBaseCmp& c, RunStory&) { c.facts.catalogue.error = "not well-formed: line 3: bad"; },
     "failed/catalogue_invalid/reference.xml is not well-formed: line 3: bad"},
    {"unreadable", [](CBaseCmp& c, RunStory&) { c.facts.catalogue.error = "cannot be read: EIO"; },
     "failed/catalogue_invalid/reference.xml cannot be read: EIO"},
    {"tool",
     [](CBaseCmp& c, RunStory& s) {
       loaded(c), s.exitCode = 7;
       c.facts.toolRefusal = "ERROR! : ./tool is writable by group or others\n";
     },
     "failed/tool_refused/./tool is writable by group or others"},
    {"kit",
     [](CBaseCmp& c, RunStory& s) {
       loaded(c), s.exitCode = 7, c.facts.kitRefused = true;
       c.facts.toolRefusal = "ERROR! : disk full\n";
     },
     "failed/kit_refused/the Emulex kit was refused: disk full"},
    {"library",
     [](CBaseCmp& c, RunStory& s) {
       loaded(c), s.exitCode = 7;
       LibraryFacts library;
       library.path = "/usr/lib/libx.so";
       library.error = "invalid ELF header";
       c.facts.discovery.libraries.push_back(library);
     },
     "failed/library_failed/the library /usr/lib/libx.so did not load: invalid ELF header"},
    {"unseen",
     [](CBaseCmp& c, RunStory& s) {
       loaded(c), s.exitCode = 7, c.facts.discovery.configurationRead = true, c.facts.sysfsFcFunctions = 2;
     },
     "failed/no_adapters/no Fibre Channel adapter was discovered; sysfs lists 2 Fibre Channel functions that "
     "no library reported"},
    {"empty",
     [](CBaseCmp& c, RunStory& s) {
       loaded(c), s.exitCode = 7, c.facts.discovery.configurationRead = true, c.facts.sysfsFcFunctions = 0;
     },
     "failed/no_adapters/no Fibre Channel adapter was discovered; sysfs lists no Fibre Channel function"},
    {"reportFailed",
     [](CBaseCmp& c, RunStory& s) {
       loaded(c), s.exitCode = 3, c.options.discovery = true, c.options.reportPath = "r.xml";
     },
     "report_failed/report_failed/the report could not be written to r.xml"},
    {"nothingPending", [](CBaseCmp& c, RunStory& s) { loaded(c), s.exitCode = 3; },
     "nothing_done/none/no firmware item is offered as an upgrade"},
    {"applied", [](CBaseCmp& c, RunStory& s) { engineEnded(c, 0, false), s.exitCode = 1; },
     "applied/none/the flash engine ended with 0"},
    {"engineKilled", [](CBaseCmp& c, RunStory& s) { engineEnded(c, 9, true), s.exitCode = 7; },
     "failed/engine_failed/the flash engine was ended by signal 9"},
    {"passedOn", [](CBaseCmp& c, RunStory& s) { engineEnded(c, 42, false), s.exitCode = 42; },
     "engine_exit/engine_exit/the flash engine ended with 42, passed on as the exit code"},
};

TEST(RunOutcome, WordCauseAndReason) {
  for (const OutcomeCase& test : kOutcomes) {
    CBaseCmp c;
    RunStory story;
    test.arrange(c, story);
    EXPECT_EQ(described(runOutcome(c, story)), test.expected) << test.name;
  }
}

// Tools rely on every key of an ended record, even for a run that knew
// nothing (a command line that did not parse).
TEST(RunRecord, EndedRecordHasEveryKey) {
  TempDir work;
  TempDir root;
  ScopedChdir here(work.path());
  ScopedEnv env{"FCUPDATE_ROOT", root.path()};
  CBaseCmp c;
  RunStory story;
  story.parseFailed = true;
  story.exitCode = 7;
  const HistoryRecord record = endedRecord(c, story);
  for (const char* key : {"schema",
                          "phase",
                          "run_id",
                          "started",
                          "ended",
                          "program",
                          "component",
                          "version",
                          "pid",
                          "uid",
                          "host",
                          "boot_id",
                          "boot_time",
                          "working_directory",
                          "arguments",
                          "ignored_arguments",
                          "mode",
                          "force",
                          "silent",
                          "report_path",
                          "catalogue",
                          "package",
                          "release",
                          "libraries",
                          "sysfs_fc_functions",
                          "adapters",
                          "devices",
                          "decision",
                          "commands",
                          "engine",
                          "signals",
                          "warnings",
                          "lock_wait_ms",
                          "outcome",
                          "reboot_required"}) {
    EXPECT_TRUE(record.contains(key)) << key;
  }
  for (const char* key : {"loaded", "entries", "bytes", "mtime", "sha256", "error"}) {
    EXPECT_TRUE(record["catalogue"].contains(key)) << key;
  }
  for (const char* key : {"command", "exit_code", "signal", "ms", "output_tail"}) {
    EXPECT_TRUE(record["engine"].contains(key)) << key;
  }
  EXPECT_EQ(record["mode"], "parse_error");
  EXPECT_EQ(record["outcome"]["exit_code"], 7);
}

TEST(RunRecord, EngineTailIsTheEndOfWhatTheEngineAppended) {
  TempDir dir;
  const std::string log = dir.path() + "/Component.log";
  const std::string before = "Executing flash engine: ./e\n";
  const std::string output(5000, 'o');
  testsupport::writeFile(log, before + output + "x\nFlash Engine exit code: 0\n");
  CommandRecord engine;
  struct Case {
    long long from, to;
    std::string tail;
    bool warned;
  };
  const long long start = static_cast<long long>(before.size());
  const Case cases[] = {
      {start, start + 3, "ooo", false},  {start, start + 5002, std::string(4094, 'o') + "x\n", false},
      {start, start, "", false},         {-1, -1, "", true},
      {start, start + 100000, "", true},  // the log is shorter than the engine's end
  };
  for (const Case& c : cases) {
    engine.appendedFrom = c.from;
    engine.appendedTo = c.to;
    std::string warning;
    EXPECT_EQ(engineOutputTail(log, engine, warning), c.tail) << c.from << " " << c.to;
    EXPECT_EQ(!warning.empty(), c.warned) << c.from << " " << c.to;
  }
  std::string warning;
  engine.appendedFrom = 0;
  engine.appendedTo = 1;
  EXPECT_EQ(engineOutputTail(dir.path() + "/missing.log", engine, warning), "");
  EXPECT_FALSE(warning.empty());
}

}  // namespace
