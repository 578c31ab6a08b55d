// fcupdate-brocade on a simulated server: Brocade adapters through the HBA
// libraries, the catalogue and the stand-in boot update tool.
#include <gtest/gtest.h>

#include "testing/sandbox.h"
#include "testing/standins/standins.h"

using testsupport::Sandbox;
using testsupport::Vendor;

namespace {

const char kCatalogue[] = R"(<?xml version="1.0"?>
<maplu_fchba_reference>
  <devices>
    <device>
      <type value="Fibre Channel HBA"/>
      <device_id value="1657.0013.1657.0014"/>
      <model value="825"/>
      <bios value="3.2.5.0"/>
      <duration value="300"/>
    </device>
    <device>
      <type value="Fibre Channel HBA"/>
      <device_id value="1657.0017.1657.00AB"/>
      <model value="1860"/>
      <bios value="3.2.5.0"/>
      <duration value="360"/>
    </device>
  </devices>
</maplu_fchba_reference>
)";

const char kBanner[] =
    "---------------------------------------------------\n"
    "Loading references...done.\n"
    "Performing discovery...\n";

testsupport::SimAdapter brocade(const char* pci, const char* id, const char* wwn, const char* optionRom) {
  testsupport::SimAdapter adapter = testsupport::simAdapter(Vendor::Brocade, pci, id, {wwn});
  adapter.optionRomVersion = optionRom;
  return adapter;
}

class BrocadeEndToEnd : public ::testing::Test {
 protected:
  // One adapter with an older boot code, one current, one the package does not carry.
  void build(const char* firstOptionRom = "Boot 3.0.3.0 build 5") {
    box.add(brocade("0000:0a:00.0", "1657:0013:1657:0014", "20:00:00:05:1e:01:02:03", firstOptionRom));
    box.add(brocade("0000:0b:00.0", "1657:0017:1657:00ab", "20:00:00:05:1e:01:02:04", "3.2.5.0"));
    box.add(brocade("0000:0c:00.0", "1657:0021:1657:0022", "20:00:00:05:1e:01:02:05", "1.0.0.0"));
    box.setReference(kCatalogue);
    box.build();
    ASSERT_TRUE(standins::writeBootUpdateTool(box.work()));
  }

  std::string log() const { return testsupport::readFile(box.root() + "/var/vlx/Component.log"); }
  std::string calls() const { return standins::recordedCalls(box.work(), "bcu_bootupdate"); }

  Sandbox box;
};

TEST_F(BrocadeEndToEnd, ReportModeListsEachCataloguedAdapter) {
  build();
  const testsupport::RunResult run = box.run("fcupdate-brocade", "/d report.xml");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kBanner) + "Generating self-discovery XML...done.\n");
  EXPECT_EQ(log(), run.out);
  EXPECT_EQ(calls(), "");
  EXPECT_EQ(testsupport::readFile(box.work() + "/report.xml"),
            R"(<?xml version="1.0"?>
<tarvo_rom_discovery version="2.0.0.0">
  <type value="Fibre Channel HBA"/>
  <alt_name value=""/>
  <version value=""/>
  <takes_effect value=""/>
  <devices>
    <device>
      <device_id value="1657.0013.1657.0014"/>
      <product_id value="825"/>
      <busnumber value=""/>
      <funcnumber value=""/>
      <fw_item>
        <type value="Boot BIOS ROM"/>
        <firmware_id value=""/>
        <version value="3.2.5.0"/>
        <active_version value="3.0.3.0"/>
        <action value="upgrade"/>
        <duration value="300"/>
        <message value=""/>
        <shared value="no"/>
      </fw_item>
    </device>
    <device>
      <device_id value="1657.0017.1657.00ab"/>
      <product_id value="1860"/>
      <busnumber value=""/>
      <funcnumber value=""/>
      <fw_item>
        <type value="Boot BIOS ROM"/>
        <firmware_id value=""/>
        <version value="3.2.5.0"/>
        <active_version value="3.2.5.0"/>
        <action value="rewrite"/>
        <duration value="360"/>
        <message value=""/>
        <shared value="no"/>
      </fw_item>
    </device>
  </devices>
</tarvo_rom_discovery>
)");
}

TEST_F(BrocadeEndToEnd, FlashModeRunsTheToolOnceForAllAdapters) {
  build();
  const testsupport::RunResult run = box.run("fcupdate-brocade", "");
  EXPECT_EQ(run.exitCode, 1);
  const std::string before = std::string(kBanner) +
                             "Performing flash -- DO NOT INTERRUPT!\n"
                             "Executing flash engine: ./bcu_bootupdate boot --update bfa_boot_fw -a\n";
  const std::string after = "Flash Engine exit code: 0\nFlash complete [1]\n";
  EXPECT_EQ(run.out, before + after);
  EXPECT_EQ(log(), before +
                       "bcu_bootupdate stand-in: updating with boot --update bfa_boot_fw -a\n"
                       "bcu_bootupdate stand-in: standard error\n"
                       "bcu_bootupdate stand-in: descriptor 3\n" +
                       after);
  EXPECT_EQ(calls(), "boot --update bfa_boot_fw -a\n");
}

TEST_F(BrocadeEndToEnd, AFailingToolEndsWithSeven) {
  build();
  standins::setExitCode(box.work(), "bcu_bootupdate", 2);
  const testsupport::RunResult run = box.run("fcupdate-brocade", "/s");
  EXPECT_EQ(run.exitCode, 7);
  EXPECT_EQ(run.out, "");
  const std::string text = log();
  EXPECT_NE(text.find("Flash Engine exit code: 2\nFlash complete [7]\n"), std::string::npos) << text;
}

TEST_F(BrocadeEndToEnd, NothingOlderMeansNoFlashUnlessForced) {
  build("3.2.5.0");
  const testsupport::RunResult run = box.run("fcupdate-brocade", "");
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, std::string(kBanner) + "NOTICE : No operation was done.\n");
  EXPECT_EQ(calls(), "");

  const testsupport::RunResult forced = box.run("fcupdate-brocade", "/f");
  EXPECT_EQ(forced.exitCode, 1);
  EXPECT_EQ(calls(), "boot --update bfa_boot_fw -a\n");
}

}  // namespace
