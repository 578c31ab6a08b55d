// The module over the real component and its run history: a failed flash
// holds the package until retry_failed, an applied update keeps a reboot
// pending until the boot changes, and a host without adapters is no failure.
#include <gtest/gtest.h>

#include "ansible/module/e2e_package.h"
#include "ansible/module/firmware_task.h"
#include "testing/sandbox.h"

namespace fleet {
namespace {

using testsupport::fileExists;
using testsupport::readFile;
using testsupport::simAdapter;
using testsupport::Vendor;
using testsupport::writeFile;

// The kernel's boot ids are UUIDs; the component takes nothing else.
const char kBoot1[] = "0f5a4e22-6c1b-4b8e-9d1e-3f8a1c2b7d90";
const char kBoot2[] = "7c0d9b1e-2a44-4f7a-8e1b-5d6c7e8f9a01";

struct Host {
  testsupport::Sandbox box;
  explicit Host(bool adapter) {
    if (adapter) {
      box.add(simAdapter(Vendor::QLogic, "0000:05:00.0", "1077:2532:1077:015d", {"21:00:00:1b:32:00:00:01"}));
    }
    box.setReference(kE2eReference);
    box.build();
    testsupport::makeDirs(box.root() + "/sys/bus/pci/devices");
    copyStandinEngine(box.work());
    writeFile(box.work() + "/qlafwupdate.query",
              "HBA Instance: 0\nFlash Image Version: 3.00\nPort Name: 21:00:00:1B:32:00:00:01\n\n");
    boot(kBoot1);
  }
  void boot(const std::string& id) const {
    testsupport::makeDirs(box.root() + "/proc/sys/kernel/random");
    writeFile(box.root() + "/proc/sys/kernel/random/boot_id", id + "\n");
  }
  std::string flashes() const {
    return fileExists(box.work() + "/qlafwupdate.calls") ? readFile(box.work() + "/qlafwupdate.calls") : "";
  }
  Answer call(bool check = false, bool retry = false, const char* state = "updated",
              bool history = false) const {
    ModuleOptions options;
    options.history = history;
    options.packageDir = box.work();
    options.executable = testsupport::binDir() + "/fcupdate";
    options.hasSystemRoot = true;
    options.systemRoot = box.root();
    options.checkMode = check;
    options.retryFailed = retry;
    options.state = state;
    return runFirmwareTask(options);
  }
};

TEST(HistoryThroughTheModule, AFailedFlashIsHeldUntilRetried) {
  const Host host(true);
  writeFile(host.box.work() + "/qlafwupdate.exit", "2\n");
  Answer answer = host.call();
  EXPECT_EQ(answer.outcome, "failed");
  EXPECT_EQ(answer.category, "flash");
  EXPECT_EQ(answer.msg, "the update failed (exit code 7): the flash engine ended with 2");
  ASSERT_EQ(answer.runs.size(), 2u);
  EXPECT_EQ(answer.runs[1]["cause"], "engine_failed");
  EXPECT_EQ(host.flashes(), "/s\n");

  for (const bool check : {false, true}) {
    answer = host.call(check);
    EXPECT_EQ(answer.outcome, "held") << check;
    EXPECT_TRUE(answer.failed);
    EXPECT_FALSE(answer.changed);
    EXPECT_EQ(answer.category, "held");
    EXPECT_NE(answer.msg.find("exit code 7: the flash engine ended with 2"), std::string::npos) << answer.msg;
    EXPECT_EQ(host.flashes(), "/s\n") << "a held package is not flashed";
  }
  answer = host.call(false, false, "reported");
  EXPECT_EQ(answer.outcome, "reported");
  EXPECT_TRUE(answer.held);

  writeFile(host.box.work() + "/qlafwupdate.exit", "0\n");
  answer = host.call(true, true);
  EXPECT_EQ(answer.outcome, "would_apply");
  answer = host.call(false, true);
  EXPECT_EQ(answer.outcome, "applied");
  EXPECT_EQ(host.flashes(), "/s\n/s\n");
  EXPECT_TRUE(answer.reboot_pending);
  EXPECT_EQ(answer.verification, "reboot_pending");
}

TEST(HistoryThroughTheModule, ARebootStaysPendingUntilTheBootChanges) {
  const Host host(true);
  writeFile(host.box.work() + "/qlafwupdate.after",
            "HBA Instance: 0\nFlash Image Version: 3.10\nPort Name: 21:00:00:1B:32:00:00:01\n\n");
  Answer answer = host.call();
  EXPECT_EQ(answer.outcome, "applied");
  EXPECT_EQ(answer.boot_id, kBoot1);
  answer = host.call(false, false, "reported");
  EXPECT_FALSE(answer.reboot_required) << "reboot_required is this call's";
  EXPECT_TRUE(answer.reboot_pending);
  EXPECT_FALSE(answer.held);
  host.boot(kBoot2);
  answer = host.call(false, false, "reported");
  EXPECT_FALSE(answer.reboot_pending);
  EXPECT_EQ(answer.boot_id, kBoot2);
  ASSERT_EQ(answer.adapters.size(), 1u);
  EXPECT_EQ(answer.adapters[0]["pci_location"], "0000:05:00.0");
  EXPECT_EQ(answer.adapters[0]["catalogued"], true);
  EXPECT_TRUE(answer.package["catalogue_sha256"].is_string());
  EXPECT_TRUE(answer.history.empty()) << "the records only when asked for";
  answer = host.call(false, false, "reported", true);
  ASSERT_EQ(answer.history.size(), 2u);
  EXPECT_EQ(answer.history[0]["phase"], "started");
  EXPECT_EQ(answer.history[1]["phase"], "ended");
  EXPECT_EQ(answer.history[1]["run_id"], answer.runs[0]["run_id"]);
}

TEST(HistoryThroughTheModule, AHostWithoutAdaptersIsNoFailure) {
  const Host host(false);
  for (const bool check : {false, true}) {
    for (const char* state : {"updated", "reported"}) {
      const Answer answer = host.call(check, false, state);
      EXPECT_EQ(answer.outcome, "no_adapters") << state << check << answer.msg;
      EXPECT_FALSE(answer.failed);
      EXPECT_FALSE(answer.changed);
      EXPECT_EQ(answer.category, "");
    }
  }
  // A Fibre Channel function that no library reports is a discovery failure.
  testsupport::writeSysfsFunction(host.box.root(), "0000:07:00.0", "1077:2532:1077:015d");
  const Answer answer = host.call();
  EXPECT_EQ(answer.outcome, "failed");
  EXPECT_EQ(answer.category, "discovery");
  EXPECT_NE(answer.msg.find("sysfs lists 1 Fibre Channel function"), std::string::npos) << answer.msg;
}

}  // namespace
}  // namespace fleet
