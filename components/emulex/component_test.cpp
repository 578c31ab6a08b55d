// The Emulex component against the stand-in kit: unpacking, the query,
// the inventory it records and the flash command with its outcome.
#include "components/emulex/component.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "testing/standins/standins.h"
#include "testing/test_support.h"

namespace EmulexComp {
namespace {

const char kTool[] = "elxflash";
const char kScript[] = "elxflashStandalone-12.0.193.13/lx/elxflash.sh";

ReferenceDevice catalogueEntry(const wchar_t* deviceId, const wchar_t* model) {
  ReferenceDevice device;
  device.type = L"FC HBA";
  device.device_id = deviceId;
  device.model = model;
  device.firmware = L"2.02a1";
  device.bios = L"5.02a3";
  device.duration = L"120";
  return device;
}

// The log path below the test's system root, as it appears in a command.
std::string redirections(const standins::Workspace& workspace) {
  const std::string log = workspace.root() + "/var/vlx/Component.log";
  return "1>> " + log + " 2>> " + log + " 3>> " + log;
}

class EmulexComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(standins::writeEmulexKit(workspace.dir()));
    component = std::make_unique<CComponent>();
    component->log.quiet = true;
    component->catalogue.devices.push_back(catalogueEntry(L"10DF.F100.10DF.F100", L"LPe12002"));
    component->catalogue.devices.push_back(catalogueEntry(L"10df.e200.10df.00e2", L"LPe16002B"));
  }

  standins::Workspace workspace;
  std::unique_ptr<CComponent> component;
};

TEST(EmulexPadId, PadsToFourCharacters) {
  EXPECT_EQ(CComponent::padId("10df"), "10df");
  EXPECT_EQ(CComponent::padId("f1"), "00f1");
  EXPECT_EQ(CComponent::padId("e"), "000e");
  EXPECT_EQ(CComponent::padId(""), "0000");
  EXPECT_EQ(CComponent::padId("12345"), "12345");
}

TEST(EmulexCleanVersionText, CutsAtTheFirstSpace) {
  CComponent component;
  EXPECT_EQ(component.cleanVersionText(L"2.02a1 (build 5)"), L"2.02a1");
  EXPECT_EQ(component.cleanVersionText(L"2.02a1"), L"2.02a1");
  EXPECT_EQ(component.cleanVersionText(L" x"), L"");
  EXPECT_EQ(component.cleanVersionText(L""), L"");
}

TEST_F(EmulexComponentTest, PrepareKitUnpacksAndMakesTheScriptExecutableButNotWritable) {
  EXPECT_FALSE(component->prepareKit());
  struct stat info {};
  ASSERT_EQ(stat(kScript, &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0755u);
  EXPECT_EQ(workspace.log(), "Preparing the Emulex Kit...done\n");
}

TEST_F(EmulexComponentTest, DiscoverRecordsCataloguedLinesInOrder) {
  standins::setQueryOutput(
      workspace.dir(), kTool,
      "Emulex flash kit query\n"
      "HBA=LPe12002-M8, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.02A1, Boot "
      "Code=UU5.02a3\r\n"
      "HBA=LPe11000, PCI ID=fe00, VID=10df, SSID=fe00, SVID=10df, Firmware=US2.72A2, Boot Code=UU1.71a0\n"
      "HBA=LPe16002B-M6, PCI ID=e200, VID=10df, SSID=e2, SVID=10df, Firmware=11.2.156.27, Boot Code=UU1.1\n"
      "HBA=LPe12002-M8, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.02A1, Boot Code=UU5.02a3");
  EXPECT_TRUE(component->discover());
  EXPECT_EQ(standins::recordedCalls(workspace.dir(), kTool), "/q /sysfs\n");

  const std::vector<DiscoveredDevice>& devices = component->report.devices;
  ASSERT_EQ(devices.size(), 3u);
  // The key keeps the kit's case even though the catalogue writes upper case.
  EXPECT_EQ(devices[0].device_id, L"10df.f100.10df.f100");
  EXPECT_EQ(devices[0].product_id, L"LPe12002");
  EXPECT_EQ(devices[0].fw_items[0].action, L"upgrade");
  EXPECT_EQ(devices[0].fw_items[1].action, L"rewrite");
  EXPECT_EQ(devices[1].device_id, L"10df.e200.10df.00e2");
  EXPECT_EQ(devices[1].fw_items[0].version, L"14.0.499.25");
  EXPECT_EQ(devices[1].fw_items[1].active_version, L"1.1");
  // The same key twice makes two devices; nothing is merged.
  EXPECT_EQ(devices[2].device_id, devices[0].device_id);

  // Discovery leaves the report header alone and writes only the kit message.
  EXPECT_EQ(component->report.type, L"");
  EXPECT_EQ(workspace.log(), "Preparing the Emulex Kit...done\n");
}

// Without its archive no kit can be chosen: discovery fails rather than
// report a server without adapters.
TEST(EmulexDiscover, MissingKitFailsTheDiscovery) {
  standins::Workspace workspace;
  CComponent component;
  component.log.quiet = true;
  component.catalogue.devices.push_back(catalogueEntry(L"10df.f100.10df.f100", L"LPe12002"));
  EXPECT_FALSE(component.discover());
  EXPECT_TRUE(component.report.devices.empty());
}

TEST_F(EmulexComponentTest, FlashRunsTheKitWithTwoSpacesBeforeTheMode) {
  struct ModeCase {
    bool force;
    const char* mode;
    const char* recorded;
  };
  for (const ModeCase& c :
       {ModeCase{false, "/update", "/sysfs /update\n"}, ModeCase{true, "/f", "/sysfs /f\n"}}) {
    SCOPED_TRACE(c.mode);
    standins::Workspace flashWorkspace;
    ASSERT_TRUE(standins::writeEmulexKit(flashWorkspace.dir()));
    CComponent kit;
    kit.log.quiet = true;
    kit.options.force = c.force;
    kit.options.silent = true;  // changes nothing in the command
    EXPECT_FALSE(kit.prepareKit());
    EXPECT_EQ(kit.flash(), 1);
    EXPECT_EQ(standins::recordedCalls(flashWorkspace.dir(), kTool), c.recorded);
    const std::string command = std::string("./elxflashStandalone*/lx/elxflash.sh /sysfs  ") + c.mode + " " +
                                redirections(flashWorkspace);
    EXPECT_EQ(flashWorkspace.log(),
              "Preparing the Emulex Kit...done\n"
              "Executing flash engine: " +
                  command +
                  "\n"
                  "elxflash stand-in: flashing with /sysfs " +
                  c.mode +
                  "\n"
                  "elxflash stand-in: standard error\n"
                  "elxflash stand-in: descriptor 3\n"
                  "Flash Engine exit code: 0\n"
                  "All updates were successful.  Reboot needed.\n");
  }
}

TEST_F(EmulexComponentTest, FlashPassesKitCodesThrough) {
  EXPECT_FALSE(component->prepareKit());
  standins::setExitCode(workspace.dir(), kTool, 9);
  EXPECT_EQ(component->flash(), 9);
  // No message follows the code.
  const std::string log = workspace.log();
  const std::string last = "Flash Engine exit code: 9\n";
  ASSERT_GE(log.size(), last.size());
  EXPECT_EQ(log.substr(log.size() - last.size()), last);
}

// Every adapter line the kit printed is kept for the run, catalogued or not,
// with the texts the line gives.
TEST_F(EmulexComponentTest, EveryAdapterLineIsKeptCataloguedOrNot) {
  standins::setQueryOutput(
      workspace.dir(), kTool,
      "Emulex flash kit query\n"
      "HBA=LPe12002-M8, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.02A1, Boot Code=UU5.02a3\n"
      "HBA=LPe11000, PCI ID=fe00, VID=10df, SSID=fe, SVID=10df, Firmware=US2.72A2, Boot Code=UU1.71a0\n");
  EXPECT_TRUE(component->discover());
  EXPECT_EQ(component->report.devices.size(), 1u);
  const std::vector<AdapterFacts>& seen = component->facts.discovery.adapters;
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].index, 0u);
  EXPECT_EQ(seen[0].model, "LPe12002-M8");
  EXPECT_EQ(seen[0].pciId, "10dff100");
  EXPECT_EQ(seen[0].subsystemId, "10dff100");
  EXPECT_EQ(seen[0].firmwareVersion, "US2.02A1");
  EXPECT_EQ(seen[0].optionRomVersion, "UU5.02a3");
  EXPECT_EQ(seen[1].index, 1u);
  EXPECT_EQ(seen[1].subsystemId, "10df00fe");
  EXPECT_TRUE(component->facts.discovery.libraries.empty());
}

// The unzip, the query and the kit's flash are kept for the run.
TEST_F(EmulexComponentTest, TheUnzipQueryAndFlashAreRecorded) {
  standins::setQueryOutput(workspace.dir(), kTool, "Emulex flash kit query\n");
  EXPECT_TRUE(component->discover());
  const std::vector<CommandRecord>& commands = component->facts.commands.kept;
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[0].text, "unzip -o elxflashStandalone*.zip");
  EXPECT_TRUE(commands[0].started);
  EXPECT_EQ(commands[0].status.exitCode, 0);
  EXPECT_GT(commands[0].outputBytes, 0u);
  EXPECT_EQ(commands[1].text, "./elxflashStandalone*/lx/elxflash.sh /q /sysfs");
  EXPECT_EQ(commands[1].outputBytes, 23u);
  standins::setExitCode(workspace.dir(), kTool, 11);
  EXPECT_EQ(component->flash(), 7);
  EXPECT_EQ(component->facts.engine.text,
            "./elxflashStandalone*/lx/elxflash.sh /sysfs  /update " + redirections(workspace));
  EXPECT_EQ(component->facts.engine.status.exitCode, 11);
}

TEST_F(EmulexComponentTest, FlashInterruptedBySignalFails) {
  EXPECT_FALSE(component->prepareKit());
  // TERM rather than INT: a test run started in the background inherits an
  // ignored SIGINT, and the shell would then survive it.
  standins::setSignal(workspace.dir(), kTool, "TERM");
  EXPECT_EQ(component->flash(), 7);
  const std::string log = workspace.log();
  EXPECT_NE(log.find("Flash Engine exit code: 143\nAll updates failed.\n"), std::string::npos) << log;
  EXPECT_EQ(component->facts.engine.status.signalNumber(), 15);
}

}  // namespace
}  // namespace EmulexComp
