// --history: its words, and what it prints from a history below the root.
#include "framework/history_command.h"

#include <gtest/gtest.h>

#include <sstream>

#include "framework/history_file.h"
#include "testing/test_support.h"

using testsupport::ScopedEnv;
using testsupport::TempDir;

TEST(HistoryArguments, ACountAndJsonInAnyOrder) {
  struct Case {
    std::vector<std::string> words;
    bool valid;
    std::size_t count;
    bool json;
  };
  const Case cases[] = {
      {{}, true, kHistoryDefaultRuns, false},
      {{"5"}, true, 5, false},
      {{"--json"}, true, kHistoryDefaultRuns, true},
      {{"--json", "1000"}, true, 1000, true},
      {{"1", "--json"}, true, 1, true},
      {{"0"}, false, 0, false},
      {{"1001"}, false, 0, false},
      {{"05"}, false, 0, false},
      {{"+5"}, false, 0, false},
      {{"-5"}, false, 0, false},
      {{"5x"}, false, 0, false},
      {{""}, false, 0, false},
      {{"99999999999999999999"}, false, 0, false},
      {{"5", "6"}, false, 0, false},
      {{"--json", "--json"}, false, 0, false},
      {{"--JSON"}, false, 0, false},
      {{"/d"}, false, 0, false},
  };
  for (const Case& c : cases) {
    HistoryRequest request;
    request.count = 77;
    const bool valid = parseHistoryArguments(c.words, request);
    EXPECT_EQ(valid, c.valid) << testing::PrintToString(c.words);
    if (valid) {
      EXPECT_EQ(request.count, c.count);
      EXPECT_EQ(request.json, c.json);
    } else {
      EXPECT_EQ(request.count, 77u) << "left as it was";
    }
  }
}

namespace {

struct HistoryRoot {
  TempDir root;
  ScopedEnv env{"FCUPDATE_ROOT", root.path()};
  HistoryRoot() { testsupport::makeDirs(root / "var/vlx"); }
};

std::string record(const std::string& runId, const std::string& phase) {
  return R"({"phase":")" + phase + R"(","run_id":")" + runId + R"(","program":"fcupdate","started":"T)" +
         runId + R"(","outcome":{"word":"applied","exit_code":1}})";
}

std::string printed(const std::vector<std::string>& words,
                    HistoryCommand expected = HistoryCommand::Printed) {
  std::ostringstream out;
  EXPECT_EQ(runHistoryCommand(words, out), expected);
  return out.str();
}

}  // namespace

TEST(HistoryCommand, JsonPrintsTheStoredRecordsOldestFirst) {
  HistoryRoot host;
  testsupport::writeFile(historyPath(), record("1", "started") + "\n" + record("2", "started") + "\n" +
                                            record("1", "ended") + "\n" + "garbage\n" + record("2", "ended") +
                                            "\n" + record("3", "started") + "\n");
  EXPECT_EQ(printed({"--json"}), record("1", "started") + "\n" + record("1", "ended") + "\n" +
                                     record("2", "started") + "\n" + record("2", "ended") + "\n" +
                                     record("3", "started") + "\n");
  EXPECT_EQ(printed({"1", "--json"}), record("3", "started") + "\n");
  EXPECT_EQ(printed({"--json", "7", "x"}, HistoryCommand::ParseFailure), "");
}

TEST(HistoryCommand, TextHasAHeadingAndEachRun) {
  HistoryRoot host;
  EXPECT_EQ(printed({}), "No run history at " + historyPath() + ".\n");
  EXPECT_EQ(printed({"--json"}), "");
  testsupport::writeFile(historyPath(), "garbage\n");
  EXPECT_EQ(printed({"3"}),
            "No runs recorded in " + historyPath() + ".\nSkipped 1 line that is not a record.\n");
  testsupport::writeFile(historyPath(), record("1", "started") + "\n" + record("1", "ended") + "\n" +
                                            record("2", "started") + "\n");
  EXPECT_EQ(printed({"1"}),
            "Run history " + historyPath() +
                ": the last run.\n\n"
                "T2  fcupdate  unknown: no end was recorded (killed, crashed, or the host went down)\n"
                "  Run 2\n");
  EXPECT_EQ(printed({}),
            "Run history " + historyPath() +
                ": the last 2 runs, oldest first.\n\n"
                "T1  fcupdate  applied, exit code 1\n"
                "  Run 1\n"
                "  No adapters discovered\n\n"
                "T2  fcupdate  unknown: no end was recorded (killed, crashed, or the host went down)\n"
                "  Run 2\n");
}

TEST(HistoryCommand, ARefusedHistoryIsSaidInText) {
  HistoryRoot host;
  ASSERT_EQ(symlink("/etc/passwd", historyPath().c_str()), 0);
  EXPECT_EQ(printed({}), "No runs recorded in " + historyPath() + ".\nNot read: " + historyPath() +
                             " is a symbolic link.\n");
  EXPECT_EQ(printed({"--json"}), "");
}
