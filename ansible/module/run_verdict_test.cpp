// Telling a host without adapters from adapters not seen, and the
// categories of failures.
#include "ansible/module/run_verdict.h"

#include <gtest/gtest.h>

namespace fleet {
namespace {

using nlohmann::json;

json reportRun(const char* component, const char* cause, const json& libraries, const json& functions,
               const json& commands = json::array(), const json& adapters = json::array()) {
  return {{"component", component},
          {"libraries", libraries},
          {"sysfs_fc_functions", functions},
          {"commands", commands},
          {"adapters", adapters},
          {"outcome", {{"word", "failed"}, {"cause", cause}, {"reason", "the component's reason"}}}};
}

json library(bool loaded, int adapters) {
  return {{"path", "/usr/lib64/libsim.so"},
          {"loaded", loaded},
          {"error", loaded ? json(nullptr) : json("cannot open")},
          {"adapters", adapters}};
}

TEST(RunVerdict, OnlyAHostWithNothingToFindHasNoAdapters) {
  const json kitRan = json::array({{{"text", "./elxflash.sh /q"}, {"started", "T"}, {"exit_code", 0}}});
  const json kitNeverStarted = json::array({{{"text", "./elxflash.sh /q"}, {"started", nullptr}}});
  const struct {
    const char* what;
    json ended;
    bool none;
    const char* reason;
  } cases[] = {
      {"libraries loaded, none saw one",
       reportRun("qlogic", "no_adapters", json::array({library(true, 0)}), 0), true,
       "the component's reason"},
      {"no library at all", reportRun("qlogic", "no_adapters", json::array(), 0), true,
       "the component's reason"},
      {"a library did not load",
       reportRun("qlogic", "library_failed", json::array({library(true, 0), library(false, 0)}), 0), false,
       "the library /usr/lib64/libsim.so did not load: cannot open"},
      {"sysfs lists a function", reportRun("qlogic", "no_adapters", json::array({library(true, 0)}), 2),
       false,
       "no adapter was discovered, but sysfs lists 2 Fibre Channel functions that discovery did not see"},
      {"sysfs not counted", reportRun("qlogic", "no_adapters", json::array({library(true, 0)}), nullptr),
       false, "no adapter was discovered, and the Fibre Channel functions of sysfs were not counted"},
      {"another cause", reportRun("qlogic", "catalogue_missing", json::array({library(true, 0)}), 0), false,
       "the component's reason"},
      {"the kit ran and listed none", reportRun("emulex", "no_adapters", json::array(), 0, kitRan), true,
       "the component's reason"},
      {"the kit never ran", reportRun("emulex", "no_adapters", json::array(), 0, kitNeverStarted), false,
       "the Emulex kit did not run, so its adapters were not listed"},
      {"adapters none supported",
       reportRun("qlogic", "no_adapters", json::array({library(true, 1)}), 1, json::array(),
                 json::array({{{"key", "k"}}})),
       false, "adapters were discovered, but none is supported"},
      {"no record", nullptr, false, ""},
  };
  for (const auto& c : cases) {
    std::string reason;
    EXPECT_EQ(hostHasNoAdapters(c.ended, reason), c.none) << c.what;
    EXPECT_EQ(reason, c.reason) << c.what;
  }
}

TEST(RunVerdict, EveryCauseOfAFailureHasItsCategory) {
  const std::pair<const char*, const char*> cases[] = {
      {"catalogue_missing", "catalogue"},
      {"catalogue_invalid", "catalogue"},
      {"tool_refused", "unsafe_package"},
      {"kit_refused", "unsafe_package"},
      {"library_failed", "discovery"},
      {"no_adapters", "discovery"},
      {"lock_timeout", "busy"},
      {"signal", "interrupted"},
      {"engine_failed", "flash"},
      {"engine_exit", "engine_exit"},
      {"parse_error", "configuration"},
      {"report_failed", "configuration"},
      {"none", ""},
      {"", ""},
      {"something_new", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(categoryOfCause(c.first), c.second) << c.first;
}

TEST(RunVerdict, TheSummaryOfARunThatNeverEnded) {
  RunRecords run;
  run.started = {{"run_id", "T-1-a"}, {"mode", "flash"}, {"started", "T0"}};
  const json summary = runSummary(run);
  EXPECT_EQ(summary["outcome"], "unknown");
  EXPECT_EQ(summary["mode"], "flash");
  EXPECT_TRUE(summary["exit_code"].is_null());
  EXPECT_EQ(adapterSummary(run.ended), json::array());
}

TEST(RunVerdict, AdaptersKeepTheirPortsAndWhetherTheyAreCatalogued) {
  const json ended = {{"adapters",
                       {{{"key", "1077.2532.1077.015d"},
                         {"pci_location", "0000:05:00.0"},
                         {"port_wwns", {"21:00:00:1b:32:01:01:01", 7, "21:01:00:1b:32:01:01:01"}},
                         {"serial", "S1"},
                         {"catalogued", false}}}}};
  const json adapters = adapterSummary(ended);
  ASSERT_EQ(adapters.size(), 1u);
  EXPECT_EQ(adapters[0]["port_wwns"], json::array({"21:00:00:1b:32:01:01:01", "21:01:00:1b:32:01:01:01"}));
  EXPECT_EQ(adapters[0]["catalogued"], false);
  EXPECT_EQ(adapters[0]["model"], "");
}

TEST(RunVerdict, DevicesKnowTheirAdapterByIndexOrPort) {
  const json ended = {
      {"adapters",
       {{{"index", 0}, {"pci_location", "0000:05:00.0"}, {"port_wwns", {"21:00:00:1b:32:01:01:01"}}},
        {{"index", 1}, {"pci_location", "0000:06:00.0"}, {"port_wwns", {"21:00:00:1b:32:01:02:01"}}}}},
      {"devices",
       {{{"device_id", "k"}, {"adapter", 1}},
        {{"device_id", "k"}, {"adapter", "21:00:00:1b:32:01:01:01"}},
        {{"device_id", "k"}, {"adapter", nullptr}},
        {{"device_id", "other"}, {"adapter", 0}}}}};
  std::vector<DeviceInfo> devices(5);
  for (DeviceInfo& device : devices) device.device_id = "k";
  tieDevicesToAdapters(ended, devices);
  EXPECT_EQ(devices[0].pci_location, "0000:06:00.0");
  EXPECT_EQ(devices[1].pci_location, "0000:05:00.0");
  EXPECT_EQ(devices[1].port_wwns, std::vector<std::string>({"21:00:00:1b:32:01:01:01"}));
  EXPECT_EQ(devices[2].pci_location, "") << "an adapter the record does not name";
  EXPECT_EQ(devices[3].pci_location, "") << "a record of another device at that place";
  EXPECT_EQ(devices[4].pci_location, "") << "past the record's devices";
}

}  // namespace
}  // namespace fleet
