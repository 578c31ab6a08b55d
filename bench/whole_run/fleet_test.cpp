// The fleet the benchmark measures must take the component's whole road:
// every adapter found, catalogued, and recognised in the engine's query.
#include "bench/whole_run/fleet.h"

#include <gtest/gtest.h>

#include <set>

using testsupport::readFile;
using testsupport::xmlLines;

namespace {

std::string standins() { return std::string(FCUPDATE_SOURCE_DIR) + "/testing/standins"; }

TEST(Fleet, AdaptersAreDistinctDualFunctionCards) {
  std::set<std::string> places;
  std::set<std::string> ports;
  for (int i = 0; i < 256; ++i) {
    const testsupport::SimAdapter a = wholerun::fleetAdapter(i);
    ASSERT_EQ(a.ports.size(), 1u);
    EXPECT_TRUE(places.insert(a.pci).second) << a.pci;
    EXPECT_TRUE(ports.insert(a.ports[0].wwn).second) << a.ports[0].wwn;
  }
  EXPECT_EQ(wholerun::fleetAdapter(0).pci, "0000:01:00.0");
  EXPECT_EQ(wholerun::fleetAdapter(1).pci, "0000:01:00.1");
  EXPECT_EQ(wholerun::fleetAdapter(255).pci, "0000:80:00.1");
}

TEST(Fleet, QueryReportHasFiveLinesAnInstance) {
  const std::string report = wholerun::fleetQueryReport(3);
  EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 15);
  EXPECT_NE(report.find("\nHBA Instance: 2\nFlash Image Version: 3.00\nPort Name: 21-00-00-1b-32-00-00-02\n"),
            std::string::npos)
      << report;
  EXPECT_EQ(wholerun::fleetQueryReport(0), "");
}

// Even instances older than the catalogue, odd ones current; adapters past
// the engine table's 64 instances still get an item, with no version read.
TEST(Fleet, ReportRunListsEveryAdapter) {
  testsupport::Sandbox box;
  wholerun::buildFleet(box, 66, standins());
  const testsupport::RunResult run = box.run("fcupdate", "/d report.xml");
  ASSERT_EQ(run.exitCode, 3) << run.out;
  std::vector<std::string> actives;
  for (const std::string& line : xmlLines(box.work() + "/report.xml")) {
    if (line.find("/fw_item/active_version") != std::string::npos)
      actives.push_back(line.substr(line.find('=') + 1));
  }
  ASSERT_EQ(actives.size(), 66u);
  EXPECT_EQ(actives[0], "3.00");
  EXPECT_EQ(actives[1], "3.43");
  EXPECT_EQ(actives[2], "3.00");
  EXPECT_EQ(actives[63], "3.28");
  EXPECT_EQ(actives[64], "");
  EXPECT_EQ(actives[65], "");
}

TEST(Fleet, FlashRunCallsTheEngineOnce) {
  testsupport::Sandbox box;
  wholerun::buildFleet(box, 2, standins());
  const testsupport::RunResult run = box.run("fcupdate", "");
  EXPECT_EQ(run.exitCode, 1) << run.out;
  EXPECT_EQ(readFile(box.work() + "/qlafwupdate.calls"), "\n");
}

}  // namespace
