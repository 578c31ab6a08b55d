// The Brocade component: option ROM versions, the boot BIOS inventory and
// the boot update tool run against its stand-in.
#include "components/brocade/component.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <iterator>
#include <memory>

#include "testing/standins/standins.h"

namespace BrocadeComp {
namespace {

const char kTool[] = "bcu_bootupdate";

std::unique_ptr<FcAdapterRecord> adapter(const char* pciId, const char* subsystemId, const char* optionRom) {
  auto record = std::make_unique<FcAdapterRecord>();
  copyField(record->pciId, pciId);
  copyField(record->subsystemId, subsystemId);
  copyField(record->optionRomVersion, optionRom);
  return record;
}

ReferenceDevice catalogueEntry(const wchar_t* deviceId, const wchar_t* bios) {
  ReferenceDevice device;
  device.type = L"FC HBA";
  device.device_id = deviceId;
  device.model = L"825";
  device.bios = bios;
  device.duration = L"300";
  device.biosFlag = 0;  // not consulted: every catalogued adapter gets its item
  return device;
}

class BrocadeComponentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    component = std::make_unique<CComponent>();
    component->log.quiet = true;
  }

  standins::Workspace workspace;
  std::unique_ptr<CComponent> component;
};

TEST_F(BrocadeComponentTest, CleanVersionTextTakesTheLastDottedNumber) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"3.0.3.0", L"3.0.3.0"},
      {L"Boot 3.0.3.0 build 5", L"3.0.3.0"},
      {L"12.0.3.0", L"2.0.3.0"},  // the greedy leading ".*" keeps one digit
      {L"v3.0.3.0\n", L"3.0.3.0"},
      {L"1.2.3.4 and 5.6.7.8", L"5.6.7.8"},
      {L"", L""},
      {L"Undefined", L"Undefined"},
      {L"3.0.3", L"3.0.3"},
  };
  for (const auto& c : cases) EXPECT_EQ(component->cleanVersionText(c.first), c.second) << c.first;
}

TEST_F(BrocadeComponentTest, InventoryHasOneBootBiosItemPerCataloguedAdapter) {
  component->catalogue.devices.push_back(catalogueEntry(L"1657.0013.1657.0014", L"3.2.0.0"));
  component->catalogue.devices.push_back(catalogueEntry(L"1657.0017.1657.0014", L""));
  component->adapters.append(adapter("16570013", "16570014", "Boot 3.0.3.0 build 5"));
  component->adapters.append(adapter("16570099", "16570014", "3.0.3.0"));  // not catalogued
  component->adapters.append(adapter("16570017", "16570014", "3.0.3.0"));
  component->adapters.append(adapter("16570017", "16570014", ""));
  component->adapters.append(adapter("16570013", "16570014", ""));
  component->adapters.append(adapter("16570013", "16570014", "Undefined"));
  component->buildInventory();

  struct Expected {
    const wchar_t* version;
    const wchar_t* installed;
    const wchar_t* action;
  };
  const Expected expected[] = {
      {L"3.2.0.0", L"3.0.3.0", L"upgrade"}, {L"", L"3.0.3.0", L"downgrade"},          {L"", L"", L"rewrite"},
      {L"3.2.0.0", L"", L"upgrade"},        {L"3.2.0.0", L"Undefined", L"downgrade"},  // a text piece against
                                                                                       // digits: by code
  };
  const std::vector<DiscoveredDevice>& devices = component->report.devices;
  ASSERT_EQ(devices.size(), std::size(expected));
  for (std::size_t i = 0; i < devices.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(devices[i].fw_items.size(), 1u);
    const FirmwareItem& item = devices[i].fw_items[0];
    EXPECT_EQ(item.type, L"Boot BIOS ROM");
    EXPECT_EQ(item.version, expected[i].version);
    EXPECT_EQ(item.active_version, expected[i].installed);
    EXPECT_EQ(item.action, expected[i].action);
    EXPECT_EQ(item.duration, L"300");
    EXPECT_EQ(item.shared, L"no");
    EXPECT_EQ(item.firmware_id, L"");
    EXPECT_EQ(item.message, L"");
    EXPECT_EQ(devices[i].product_id, L"825");
    EXPECT_EQ(devices[i].busnumber, L"");
  }
  EXPECT_EQ(devices[0].device_id, L"1657.0013.1657.0014");
}

TEST_F(BrocadeComponentTest, DeviceIdIsTheAdapterKeyNotTheCatalogueText) {
  component->catalogue.devices.push_back(catalogueEntry(L"1657.00AB.1657.00CD", L"3.2.0.0"));
  component->adapters.append(adapter("165700ab", "165700cd", "3.2.0.0"));
  component->buildInventory();
  ASSERT_EQ(component->report.devices.size(), 1u);
  EXPECT_EQ(component->report.devices[0].device_id, L"1657.00ab.1657.00cd");
  EXPECT_EQ(component->report.devices[0].fw_items[0].action, L"rewrite");
}

TEST_F(BrocadeComponentTest, AnUnterminatedOptionRomFieldIsReadWithinItsBounds) {
  component->catalogue.devices.push_back(catalogueEntry(L"1657.0013.1657.0014", L"3.2.0.0"));
  std::unique_ptr<FcAdapterRecord> record = adapter("16570013", "16570014", "");
  std::memset(record->optionRomVersion, '7', sizeof record->optionRomVersion);
  std::memset(record->spare, '8', sizeof record->spare);  // what an unbounded read would run into
  component->adapters.append(std::move(record));
  component->buildInventory();
  ASSERT_EQ(component->report.devices.size(), 1u);
  EXPECT_EQ(component->report.devices[0].fw_items[0].active_version, std::wstring(256, L'7'));
}

TEST_F(BrocadeComponentTest, FlashRunsTheToolOnceAndLogsTheCommandWithoutRedirections) {
  ASSERT_TRUE(standins::writeBootUpdateTool(workspace.dir()));
  component->options.force = true;  // neither option changes the command
  component->options.silent = true;
  EXPECT_EQ(component->flash(), 1);
  EXPECT_EQ(standins::recordedCalls(workspace.dir(), kTool), "boot --update bfa_boot_fw -a\n");
  EXPECT_EQ(workspace.log(),
            "Executing flash engine: ./bcu_bootupdate boot --update bfa_boot_fw -a\n"
            "bcu_bootupdate stand-in: updating with boot --update bfa_boot_fw -a\n"
            "bcu_bootupdate stand-in: standard error\n"
            "bcu_bootupdate stand-in: descriptor 3\n"
            "Flash Engine exit code: 0\n");
  struct stat info {};
  ASSERT_EQ(stat("bcu_bootupdate", &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0755u);
}

TEST_F(BrocadeComponentTest, AnyFailureOfTheToolGivesSeven) {
  ASSERT_TRUE(standins::writeBootUpdateTool(workspace.dir()));
  for (int code : {1, 2, 200}) {
    standins::setExitCode(workspace.dir(), kTool, code);
    EXPECT_EQ(component->flash(), 7) << code;
  }
  EXPECT_NE(workspace.log().find("Flash Engine exit code: 200\n"), std::string::npos);
}

TEST_F(BrocadeComponentTest, MissingToolGivesSeven) {
  EXPECT_EQ(component->flash(), 7);
  EXPECT_NE(workspace.log().find("Flash Engine exit code: 127\n"), std::string::npos);
}

TEST_F(BrocadeComponentTest, ToolInterruptedBySignalFails) {
  ASSERT_TRUE(standins::writeBootUpdateTool(workspace.dir()));
  // TERM rather than INT: a test run started in the background inherits an
  // ignored SIGINT, and the shell would then survive it.
  standins::setSignal(workspace.dir(), kTool, "TERM");
  EXPECT_EQ(component->flash(), 7);
  EXPECT_NE(workspace.log().find("Flash Engine exit code: 143\n"), std::string::npos) << workspace.log();
  // The tool's shell was ended by the signal: the run keeps which one.
  EXPECT_EQ(component->facts.engine.text.rfind("./bcu_bootupdate boot --update bfa_boot_fw -a 1>> ", 0), 0u);
  EXPECT_EQ(component->facts.engine.status.signalNumber(), 15);
}

}  // namespace
}  // namespace BrocadeComp
