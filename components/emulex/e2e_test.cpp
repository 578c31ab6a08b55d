// fcupdate-emulex as an administrator runs it: a working directory with the
// catalogue and the stand-in kit, the system root below a scratch directory.
#include <gtest/gtest.h>

#include "testing/standins/standins.h"
#include "testing/test_support.h"

namespace {

const char kCatalogue[] = R"(<?xml version="1.0"?>
<maplu_fchba_reference>
  <devices>
    <device>
      <type value="Fibre Channel HBA"/>
      <device_id value="10DF.F100.10DF.F100"/>
      <model value="LPe12002"/>
      <firmware value="2.02a1"/>
      <bios value="5.02a3"/>
      <duration value="180"/>
    </device>
    <device>
      <type value="Fibre Channel HBA"/>
      <device_id value="10df.e200.10df.e200"/>
      <model value="LPe16002B"/>
      <firmware value="11.0"/>
      <bios value=""/>
      <duration value="240"/>
    </device>
  </devices>
</maplu_fchba_reference>
)";

// One adapter with older firmware, one on the fixed version, one unknown.
const char kQuery[] =
    "HBA=LPe12002-M8, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.02A1, Boot Code=UU5.02a3\n"
    "HBA=LPe16002B-M6, PCI ID=e200, VID=10df, SSID=e200, SVID=10df, Firmware=14.0.499.25, Boot Code=UU1.1\n"
    "HBA=LPe1150, PCI ID=f0a5, VID=10df, SSID=f0a5, SVID=10df, Firmware=US2.72A2, Boot Code=UU1.71a0\n";

const char kHeader[] =
    "---------------------------------------------------\n"
    "Loading references...done.\n"
    "Performing discovery...\n"
    "Preparing the Emulex Kit...done\n";

class EmulexEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::writeFile(workspace.dir() + "/reference.xml", kCatalogue);
    ASSERT_TRUE(standins::writeEmulexKit(workspace.dir()));
    standins::setQueryOutput(workspace.dir(), "elxflash", kQuery);
  }

  testsupport::RunResult run(const std::string& args) {
    return testsupport::runIn(workspace.dir(), testsupport::binDir() + "/fcupdate-emulex " + args);
  }

  std::string logPath() const { return workspace.root() + "/var/vlx/Component.log"; }

  standins::Workspace workspace;
};

TEST_F(EmulexEndToEnd, ReportModeWritesTheInventory) {
  const testsupport::RunResult result = run("/d report.xml");
  EXPECT_EQ(result.exitCode, 3);
  const std::string console = std::string(kHeader) + "Generating self-discovery XML...done.\n";
  EXPECT_EQ(result.out, console);
  EXPECT_EQ(workspace.log(), console);
  EXPECT_EQ(standins::recordedCalls(workspace.dir(), "elxflash"), "/q /sysfs\n");
  EXPECT_EQ(testsupport::readFile(workspace.dir() + "/report.xml"),
            R"(<?xml version="1.0"?>
<tarvo_rom_discovery version="2.0.0.0">
  <type value=""/>
  <alt_name value=""/>
  <version value=""/>
  <takes_effect value=""/>
  <devices>
    <device>
      <device_id value="10df.f100.10df.f100"/>
      <product_id value="LPe12002"/>
      <busnumber value=""/>
      <funcnumber value=""/>
      <fw_item>
        <type value="Firmware"/>
        <firmware_id value=""/>
        <version value="2.02a1"/>
        <active_version value="2.02A1"/>
        <action value="upgrade"/>
        <duration value="180"/>
        <message value=""/>
        <shared value="no"/>
      </fw_item>
      <fw_item>
        <type value="Boot BIOS ROM"/>
        <firmware_id value=""/>
        <version value="5.02a3"/>
        <active_version value="5.02a3"/>
        <action value="rewrite"/>
        <duration value="180"/>
        <message value=""/>
        <shared value=""/>
      </fw_item>
    </device>
    <device>
      <device_id value="10df.e200.10df.e200"/>
      <product_id value="LPe16002B"/>
      <busnumber value=""/>
      <funcnumber value=""/>
      <fw_item>
        <type value="Firmware"/>
        <firmware_id value=""/>
        <version value="14.0.499.25"/>
        <active_version value="14.0.499.25"/>
        <action value="rewrite"/>
        <duration value="240"/>
        <message value=""/>
        <shared value="no"/>
      </fw_item>
    </device>
  </devices>
</tarvo_rom_discovery>
)");
}

TEST_F(EmulexEndToEnd, FlashModeRunsTheKitOnce) {
  const testsupport::RunResult result = run("");
  EXPECT_EQ(result.exitCode, 1);
  const std::string log = logPath();
  const std::string executing =
      "Executing flash engine: ./elxflashStandalone*/lx/elxflash.sh /sysfs  /update 1>> " + log + " 2>> " +
      log + " 3>> " + log + "\n";
  const std::string before = std::string(kHeader) + "Performing flash -- DO NOT INTERRUPT!\n" + executing;
  const std::string after =
      "Flash Engine exit code: 0\n"
      "All updates were successful.  Reboot needed.\n"
      "Flash complete [1]\n";
  EXPECT_EQ(result.out, before + after);
  EXPECT_EQ(workspace.log(), before +
                                 "elxflash stand-in: flashing with /sysfs /update\n"
                                 "elxflash stand-in: standard error\n"
                                 "elxflash stand-in: descriptor 3\n" +
                                 after);
  EXPECT_EQ(standins::recordedCalls(workspace.dir(), "elxflash"), "/q /sysfs\n/sysfs /update\n");
}

TEST_F(EmulexEndToEnd, SilentForcedRunWithAKitFailure) {
  standins::setExitCode(workspace.dir(), "elxflash", 13);
  const testsupport::RunResult result = run("/s /f");
  EXPECT_EQ(result.exitCode, 7);
  EXPECT_EQ(result.out, "");
  const std::string log = workspace.log();
  EXPECT_NE(log.find("/sysfs  /f 1>> "), std::string::npos) << log;
  EXPECT_NE(log.find("Flash Engine exit code: 13\n"
                     "All updates failed.  Skipped any KX710DPA or VT2000B CNAs.\n"
                     "For KX710DPA or VT2000B CNAs, please use the \"Firmware image for offline update\" "
                     "(OneConnect ISO) tool available on https://www.broadcom.com/support\n"
                     "Flash complete [7]\n"),
            std::string::npos)
      << log;
}

TEST_F(EmulexEndToEnd, NothingNewerMeansNoFlash) {
  standins::setQueryOutput(workspace.dir(), "elxflash",
                           "HBA=LPe16002B-M6, PCI ID=e200, VID=10df, SSID=e200, SVID=10df, "
                           "Firmware=14.0.499.25, Boot Code=UU1.1\n");
  const testsupport::RunResult result = run("");
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_EQ(result.out, std::string(kHeader) + "NOTICE : No operation was done.\n");
  EXPECT_EQ(standins::recordedCalls(workspace.dir(), "elxflash"), "/q /sysfs\n");
}

// Without its archive the run says no kit was run and fails (7), in report
// and flash mode alike, and writes no report.
TEST(EmulexEndToEndKit, MissingKitFailsTheRun) {
  standins::Workspace workspace;
  testsupport::writeFile(workspace.dir() + "/reference.xml", kCatalogue);
  const std::string refused =
      "---------------------------------------------------\n"
      "Loading references...done.\n"
      "Performing discovery...\n"
      "Preparing the Emulex Kit...FAILED!\n"
      "ERROR! : Exactly one Emulex Kit archive and only its own folder must be present; no kit was run.\n";
  for (const char* args : {" /d report.xml", " /f"}) {
    const testsupport::RunResult run = testsupport::runIn(
        workspace.dir(), testsupport::binDir() + "/fcupdate-emulex" + args + " 2>/dev/null");
    EXPECT_EQ(run.exitCode, 7) << args;
    EXPECT_EQ(run.out, refused) << args;
  }
  EXPECT_FALSE(testsupport::fileExists(workspace.dir() + "/report.xml"));
}

}  // namespace
