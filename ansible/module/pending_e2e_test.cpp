// The module's "pending" against the component's own decision: for each
// server, a check-mode call says pending exactly when the real component,
// run to flash, starts the flash engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "ansible/module/e2e_package.h"
#include "ansible/module/firmware_task.h"
#include "testing/sandbox.h"

namespace fleet {
namespace {

using testsupport::fileExists;
using testsupport::simAdapter;
using testsupport::Vendor;

std::string block(int instance, const std::string& image, const char* port) {
  return "HBA Instance: " + std::to_string(instance) + "\nFlash Image Version: " + image +
         "\nPort Name: " + port + "\nSerial: SIM\n\n";
}

struct Server {
  testsupport::Sandbox box;
  Server(const std::string& image, bool known) {
    box.add(simAdapter(Vendor::QLogic, "0000:05:00.0", known ? "1077:2532:1077:015d" : "1077:8001:1077:0001",
                       {"21:00:00:1b:32:00:00:01"}));
    box.setReference(kE2eReference);
    box.build();
    copyStandinEngine(box.work());
    testsupport::writeFile(box.work() + "/qlafwupdate.query", block(0, image, "21:00:00:1B:32:00:00:01"));
  }
  bool engineCalled() const { return fileExists(box.work() + "/qlafwupdate.calls"); }
};

TEST(PendingMatchesTheComponent, ForEveryVersionAndForce) {
  const struct {
    const char* installed;
    bool known;
    bool force;
    bool pending;
  } cases[] = {
      {"3.00", true, false, true},    // upgrade
      {"3.10", true, false, false},   // rewrite
      {"3.20", true, false, false},   // downgrade
      {"3.10", true, true, true},     // rewrite, forced
      {"3.20", true, true, true},     // downgrade, forced
      {"3.00", false, true, false},   // nothing catalogued, forced
      {"3.00", false, false, false},  // nothing catalogued
  };
  for (const auto& c : cases) {
    const Server server(c.installed, c.known);
    ModuleOptions options;
    options.packageDir = server.box.work();
    options.executable = testsupport::binDir() + "/fcupdate";
    options.hasSystemRoot = true;
    options.systemRoot = server.box.root();
    options.force = c.force;
    options.checkMode = true;
    const Answer check = runFirmwareTask(options);
    EXPECT_EQ(check.pending, c.pending) << c.installed << " force " << c.force;
    EXPECT_FALSE(server.engineCalled()) << "check mode flashed";

    (void)server.box.run("fcupdate", c.force ? "/s /f" : "/s");
    EXPECT_EQ(server.engineCalled(), c.pending) << c.installed << " force " << c.force;
  }
}

TEST(PendingMatchesTheComponent, AFlashThroughTheModule) {
  const Server server("3.00", true);
  ModuleOptions options;
  options.packageDir = server.box.work();
  options.executable = testsupport::binDir() + "/fcupdate";
  options.hasSystemRoot = true;
  options.systemRoot = server.box.root();
  const Answer answer = runFirmwareTask(options);
  EXPECT_EQ(answer.outcome, "applied");
  EXPECT_EQ(answer.rc, 1);
  EXPECT_TRUE(answer.reboot_required);
  ASSERT_EQ(answer.devices.size(), 1u);
  EXPECT_EQ(answer.devices[0].device_id, "1077.2532.1077.015d");
  EXPECT_EQ(answer.devices[0].product_id, "QLE2562");
  EXPECT_EQ(answer.devices[0].items[0].active_version, "3.00");
  EXPECT_EQ(answer.devices[0].items[0].version, "3.10");
  EXPECT_EQ(testsupport::readFile(server.box.work() + "/qlafwupdate.calls"), "/s\n");
  EXPECT_NE(std::find(answer.log.begin(), answer.log.end(), "Flash complete [1]"), answer.log.end());
  EXPECT_TRUE(answer.stdout_lines.empty()) << "under /s the component prints nothing";
}

}  // namespace
}  // namespace fleet
