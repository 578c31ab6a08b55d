// The system log line of a run, from its ended record.
#include "framework/history_syslog.h"

#include <gtest/gtest.h>

#include "support/syslog_line.h"

namespace {

HistoryRecord ended(const std::string& word, bool forced) {
  return HistoryRecord::parse(
      R"({"run_id":"R","component":"qlogic","decision":{"upgrade_pending":true,"forced":)" +
      std::string(forced ? "true" : "false") + R"(},"adapters":[{"index":0},{"index":1}],)" +
      R"("devices":[{"items":[{"action":"upgrade"},{"action":"rewrite"}]},{"items":[{"action":"downgrade"}]}],)" +
      R"("outcome":{"exit_code":1,"word":")" + word +
      R"(","cause":"none","reason":"two adapters\nupdated"}})");
}

}  // namespace

TEST(HistorySyslog, PriorityFollowsTheOutcome) {
  for (const char* word : {"applied", "nothing_done", "report_written"}) {
    EXPECT_EQ(historySyslogPriority(ended(word, false)), kSyslogNotice) << word;
  }
  for (const char* word : {"failed", "engine_exit", "report_failed", "parse_error", "unknown", ""}) {
    EXPECT_EQ(historySyslogPriority(ended(word, false)), kSyslogError) << word;
  }
  EXPECT_EQ(historySyslogPriority(HistoryRecord()), kSyslogError);
}

TEST(HistorySyslog, FieldsCountAdaptersAndTheUpdatesARunMakes) {
  EXPECT_EQ(historySyslogFields(ended("applied", false)),
            "run=R component=qlogic outcome=applied cause=none exit=1 adapters=2 updates=1 "
            "reason=two adapters\nupdated");
  EXPECT_EQ(historySyslogFields(ended("applied", true)),
            "run=R component=qlogic outcome=applied cause=none exit=1 adapters=2 updates=3 "
            "reason=two adapters\nupdated");
  EXPECT_EQ(
      historySyslogFields(HistoryRecord::parse(R"({"adapters":{},"devices":[1,{"items":3}],"outcome":[]})")),
      "run=- component=- outcome=- cause=- exit=- adapters=0 updates=0 reason=-");
}

TEST(HistorySyslog, TheLineIsBoundAndShowsNoControlBytes) {
  HistoryRecord record = ended("failed", false);
  record["outcome"]["reason"] = std::string(2000, 'r');
  EXPECT_EQ(historySyslogLine(record, 0, 1).size(), kSyslogLineBytes);
  const std::string line = historySyslogLine(ended("failed", false), 0, 1);
  EXPECT_EQ(line.substr(0, 4), "<11>");
  EXPECT_NE(line.find("reason=two adapters?updated"), std::string::npos) << line;
}
