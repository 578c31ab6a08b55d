// Finding one run's records among the history's lines, whatever else the
// history holds.
#include "ansible/module/call_records.h"

#include <gtest/gtest.h>

namespace fleet {
namespace {

std::string started(const std::string& id) {
  return R"({"phase":"started","run_id":")" + id + R"(","mode":"flash"})";
}
std::string ended(const std::string& id, int code) {
  return R"({"phase":"ended","run_id":")" + id + R"(","outcome":{"exit_code":)" + std::to_string(code) + "}}";
}

TEST(CallRecords, TheProcessOfARunId) {
  const struct {
    const char* id;
    long pid;
  } cases[] = {
      {"20240501T102203Z-4242-9f86d081884c7d65", 4242},
      {"20240501T102203Z-1-9f86", 1},
      {"20240501T102203Z--9f86", -1},
      {"20240501T102203Z-42x-9f86", -1},
      {"20240501T102203Z-4242", -1},
      {"", -1},
      {"x-123456789012-y", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(runIdProcess(c.id), c.pid) << c.id;
}

TEST(CallRecords, OnlyTheRecordsOfTheProcess) {
  const std::vector<std::string> lines = {
      started("T-4242-aa"),
      "not json at all -4242-",
      started("T-14242-bb"),
      R"({"phase":"ended","run_id":"T-4242-aa","outcome":{"exit_code":7)",  // cut by a full disk
      ended("T-14242-bb", 3),
      "[1,2,-4242-]",
      ended("T-4242-aa", 1),
  };
  const RunRecords run = recordsOfProcess(lines, 4242);
  ASSERT_TRUE(run.found());
  EXPECT_EQ(textOf(run.started, "run_id"), "T-4242-aa");
  EXPECT_EQ(memberOf(memberOf(run.ended, "outcome"), "exit_code"), 1);
  EXPECT_FALSE(recordsOfProcess(lines, 424).found());
}

TEST(CallRecords, ARunWithOneRecordOrAnother) {
  // The started record of a run that never ended, then a later run of a
  // reused pid: the later run is the one.
  RunRecords run = recordsOfProcess({started("T-7-aa"), started("T-7-bb"), ended("T-7-bb", 3)}, 7);
  EXPECT_EQ(textOf(run.ended, "run_id"), "T-7-bb");
  run = recordsOfProcess({started("T-7-aa")}, 7);
  EXPECT_TRUE(run.ended.is_null());
  EXPECT_TRUE(run.found());
  // A command line that did not parse leaves only its ended record.
  run = recordsOfProcess({ended("T-7-cc", 7)}, 7);
  EXPECT_TRUE(run.started.is_null());
  EXPECT_EQ(textOf(run.ended, "run_id"), "T-7-cc");
  // An ended record of another run id does not pair with the started one.
  run = recordsOfProcess({started("T-7-aa"), ended("T-7-zz", 3)}, 7);
  EXPECT_TRUE(run.ended.is_null());
}

TEST(CallRecords, RecordsNestedFarTooDeepAreNoRecords) {
  std::string deep =
      R"({"phase":"ended","run_id":"T-9-aa","x":)" + std::string(100, '[') + std::string(100, ']') + "}";
  EXPECT_FALSE(recordsOfProcess({deep}, 9).found());
  EXPECT_EQ(textOf(nullptr, "x"), "");
  EXPECT_TRUE(memberOf(nlohmann::json::array(), "x").is_null());
}

}  // namespace
}  // namespace fleet
