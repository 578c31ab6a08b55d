// Which histories hold a package's update, and which show a reboot pending.
#include "ansible/module/flash_history.h"

#include <gtest/gtest.h>

namespace fleet {
namespace {

std::string pkg(const char* catalogue, const char* package) {
  return std::string(R"("catalogue":{"sha256":")") + catalogue + R"("},"package":")" + package + "\"";
}

std::string started(const std::string& id, const std::string& identity = pkg("C", "P")) {
  return R"({"phase":"started","mode":"flash","run_id":")" + id + R"(","started":"T0",)" + identity + "}";
}

// An ended flash: engine code (-1: no engine ran), outcome word and exit code.
std::string ended(const std::string& id, int engine, const char* word, int code, bool reboot = false,
                  const char* boot = "B1", const std::string& identity = pkg("C", "P")) {
  const std::string engineJson =
      engine < 0 ? R"({"command":null,"exit_code":null,"signal":null})"
                 : R"({"command":"./e","exit_code":)" + std::to_string(engine) + R"(,"signal":null})";
  return R"({"phase":"ended","mode":"flash","run_id":")" + id + R"(","ended":"T1","boot_id":")" + boot +
         R"(","engine":)" + engineJson + R"(,"outcome":{"exit_code":)" + std::to_string(code) +
         R"(,"word":")" + word + R"(","reason":"why )" + id + R"("},"reboot_required":)" +
         (reboot ? "true" : "false") + "," + identity + "}";
}

const std::string kReport = R"({"phase":"ended","mode":"report","run_id":"r","outcome":{"word":"failed"}})";

TEST(FlashHistory, TheLastFlashOfThePackageDecides) {
  const struct {
    const char* what;
    std::vector<std::string> lines;
    const char* heldBy;  // nullptr: not held
  } cases[] = {
      {"empty", {}, nullptr},
      {"failed", {started("a"), ended("a", 2, "failed", 7)}, "a"},
      {"passed its own code", {started("a"), ended("a", 12, "engine_exit", 12)}, "a"},
      {"failed, then applied", {ended("a", 2, "failed", 7), ended("b", 0, "applied", 1, true)}, nullptr},
      {"applied, then failed", {ended("a", 0, "applied", 1, true), ended("b", 2, "failed", 7)}, "b"},
      {"never ended", {started("a")}, "a"},
      {"failed, then refused without an engine",
       {ended("a", 2, "failed", 7), started("b"), ended("b", -1, "failed", 7)},
       "a"},
      {"only a refusal", {ended("a", -1, "failed", 7)}, nullptr},
      {"another package failed",
       {started("a", pkg("C", "Q")), ended("a", 2, "failed", 7, false, "B1", pkg("C", "Q"))},
       nullptr},
      {"another catalogue failed", {ended("a", 2, "failed", 7, false, "B1", pkg("D", "P"))}, nullptr},
      {"report runs do not count", {ended("a", 2, "failed", 7), kReport}, "a"},
      {"failed, nothing to do since",
       {ended("a", 2, "failed", 7), ended("b", 0, "nothing_done", 3)},
       nullptr},
  };
  const PackageIdentity package{"C", "P"};
  for (const auto& c : cases) {
    const HostHistory history = judgeHostHistory(c.lines, package, "B1");
    EXPECT_EQ(history.lastFlashFailed.found, c.heldBy != nullptr) << c.what;
    if (c.heldBy != nullptr) {
      EXPECT_EQ(history.lastFlashFailed.runId, c.heldBy) << c.what;
    }
  }
}

TEST(FlashHistory, WhatTheHoldSays) {
  const PackageIdentity package{"C", "P"};
  FailedFlash last = judgeHostHistory({ended("a", 2, "failed", 7)}, package, "B1").lastFlashFailed;
  EXPECT_EQ(last.when, "T1");
  EXPECT_EQ(last.exitCode, "7");
  EXPECT_EQ(last.reason, "why a");
  last = judgeHostHistory({started("a")}, package, "B1").lastFlashFailed;
  EXPECT_EQ(last.when, "T0");
  EXPECT_EQ(last.exitCode, "none recorded");
}

TEST(FlashHistory, APackageWithoutAnEngineFileIsItsOwnIdentity) {
  const std::string none = R"("catalogue":{"sha256":"C"},"package":null)";
  const std::vector<std::string> lines = {ended("a", 2, "failed", 7, false, "B1", none)};
  EXPECT_TRUE(judgeHostHistory(lines, {"C", nullptr}, "B1").lastFlashFailed.found);
  EXPECT_FALSE(judgeHostHistory(lines, {"C", "P"}, "B1").lastFlashFailed.found);
}

TEST(FlashHistory, ARebootIsPendingUntilTheBootChanges) {
  const std::vector<std::string> lines = {ended("a", 0, "applied", 1, true, "B1"),
                                          ended("b", 0, "nothing_done", 3, false, "B2")};
  EXPECT_TRUE(judgeHostHistory(lines, {"C", "P"}, "B1").rebootPending);
  EXPECT_FALSE(judgeHostHistory(lines, {"C", "P"}, "B2").rebootPending);
  EXPECT_FALSE(judgeHostHistory(lines, {"C", "P"}, "").rebootPending) << "an unknown boot is no boot";
  // Any package's update waits for the reboot.
  EXPECT_TRUE(judgeHostHistory(lines, {"X", "Y"}, "B1").rebootPending);
}

}  // namespace
}  // namespace fleet
