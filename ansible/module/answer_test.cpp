// The answer's JSON: every key always there, and any bytes a tool printed
// still give valid JSON.
#include "ansible/module/answer.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace fleet {
namespace {

using nlohmann::json;

TEST(AnswerJson, EveryKeyInAFailureBeforeAnyRun) {
  const json out = json::parse(answerJson(failedAnswer("package_dir /x is not a directory")));
  for (const char* key : {"changed", "failed", "msg", "rc", "outcome", "category", "pending",
                          "reboot_required", "reboot_pending", "held", "verification", "boot_id", "devices",
                          "adapters", "package", "runs", "history", "stdout_lines", "log"}) {
    EXPECT_TRUE(out.contains(key)) << key;
  }
  EXPECT_EQ(out["failed"], true);
  EXPECT_EQ(out["changed"], false);
  EXPECT_TRUE(out["rc"].is_null());
  EXPECT_EQ(out["outcome"], "failed");
  EXPECT_EQ(out["category"], "configuration");
  EXPECT_EQ(out["devices"], json::array());
  EXPECT_EQ(out["runs"], json::array());
  EXPECT_TRUE(out["package"].is_null());
  EXPECT_FALSE(out.contains("warnings")) << "Ansible's own key, given only with a warning";
}

TEST(AnswerJson, WarningsForAnsibleToShow) {
  Answer answer;
  answer.warnings = {"the component log /x is not a regular file; the lines of this call are left out"};
  const json out = json::parse(answerJson(answer));
  EXPECT_EQ(out["warnings"], json::array({answer.warnings[0]}));
  EXPECT_EQ(out["log"], json::array());
}

TEST(AnswerJson, DevicesAndBytesThatAreNotUtf8) {
  Answer answer;
  answer.hasRc = true;
  answer.rc = 3;
  answer.outcome = "reported";
  answer.devices.push_back({"1077.2532.1077.015d",
                            "QLE2562",
                            {{"Multiboot Image", "3.28", "3.00", "upgrade", "120"}},
                            "",
                            "",
                            {}});
  answer.stdout_lines = {"caf\xe9", "ok"};
  answer.log = {std::string("nul\0byte", 8)};
  const json out = json::parse(answerJson(answer));
  EXPECT_EQ(out["rc"], 3);
  EXPECT_EQ(out["failed"], false);
  EXPECT_EQ(out["devices"][0]["device_id"], "1077.2532.1077.015d");
  EXPECT_EQ(out["devices"][0]["items"][0]["active_version"], "3.00");
  EXPECT_EQ(out["devices"][0]["items"][0]["action"], "upgrade");
  EXPECT_EQ(out["stdout_lines"][0], "caf\xef\xbf\xbd");
  EXPECT_EQ(out["log"][0], std::string("nul\0byte", 8));
}

}  // namespace
}  // namespace fleet
