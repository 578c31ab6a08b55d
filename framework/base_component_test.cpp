// The component base: the update decision, catalogue lookups and the walk
// over the catalogued adapters that every vendor's inventory starts from.
#include "framework/base_component.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "testing/sandbox.h"
#include "testing/test_support.h"

using testsupport::ScopedEnv;
using testsupport::SimAdapter;
using testsupport::TempDir;

namespace {

// A scratch system root: the component's log lives below it.
struct ScratchRoot {
  TempDir root;
  ScopedEnv env{"FCUPDATE_ROOT", root.path()};
};

void addAdapter(CBaseCmp& component, const char* pciId, const char* subsystemId) {
  auto record = std::make_unique<FcAdapterRecord>();
  copyField(record->pciId, pciId);
  copyField(record->subsystemId, subsystemId);
  component.adapters.append(std::move(record));
}

void addEntry(CBaseCmp& component, const wchar_t* deviceId, const wchar_t* model) {
  ReferenceDevice entry;
  entry.device_id = deviceId;
  entry.model = model;
  component.catalogue.devices.push_back(entry);
}

// A vendor lookup that may answer with an index the catalogue does not have.
class FixedIndexComponent : public CBaseCmp {
 public:
  int index = 0;
  int findCatalogueIndex(const std::wstring&) override { return index; }
};

}  // namespace

TEST(BaseComponent, UpdateDecisionRanksUpgradeThenDowngradeThenRewrite) {
  struct Case {
    std::vector<std::wstring> actions;
    UpdateDecision decision;
  } cases[] = {
      {{}, UpdateDecision::None},
      {{L""}, UpdateDecision::None},
      {{L"Upgrade", L"rewrite "}, UpdateDecision::None},
      {{L"rewrite"}, UpdateDecision::Rewrite},
      {{L"rewrite", L"downgrade"}, UpdateDecision::Downgrade},
      {{L"downgrade", L"upgrade"}, UpdateDecision::Upgrade},
      {{L"upgrade", L"rewrite", L"downgrade"}, UpdateDecision::Upgrade},
  };
  for (const Case& c : cases) {
    TempDir root;
    ScopedEnv env("FCUPDATE_ROOT", root.path());
    CBaseCmp component;
    DiscoveredDevice device;
    for (const std::wstring& action : c.actions) {
      FirmwareItem item;
      item.action = action;
      device.fw_items.push_back(item);
    }
    if (!c.actions.empty()) component.report.devices.push_back(device);
    EXPECT_EQ(component.updateDecision(), c.decision);
    EXPECT_EQ(component.hasDiscoveredDevices(), !c.actions.empty());
  }
}

TEST(BaseComponent, FindCatalogueIndexIgnoresCaseAndTakesTheFirst) {
  TempDir root;
  ScopedEnv env("FCUPDATE_ROOT", root.path());
  CBaseCmp component;
  for (const wchar_t* id : {L"1077.2432", L"1077.abcd.1077.015c", L"1077.ABCD.1077.015C", L""}) {
    ReferenceDevice device;
    device.device_id = id;
    component.catalogue.devices.push_back(device);
  }
  EXPECT_EQ(component.findCatalogueIndex(L"1077.ABCD.1077.015C"), 1);
  EXPECT_EQ(component.findCatalogueIndex(L"1077.2432.1077.0138"), -1);
  EXPECT_EQ(component.findCatalogueIndex(L""), 3);
  EXPECT_EQ(component.flash(), 0);
}

TEST(BaseComponent, DiscoverWithoutAdaptersWarnsAndFails) {
  TempDir root;
  ScopedEnv env("FCUPDATE_ROOT", root.path());
  CBaseCmp component;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(component.discover());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING! : No supported adapters found.\n");
}

TEST(BaseComponent, CataloguedAdaptersInAdapterOrderWithTheChosenDeviceId) {
  ScratchRoot scratch;
  CBaseCmp component;
  addEntry(component, L"1077.ABCD.1077.015C", L"QLE2562");
  addEntry(component, L"1077.2432", L"QLE2460");
  addAdapter(component, "10772432", "1077f00d");  // not catalogued
  addAdapter(component, "1077abcd", "1077015c");  // found whatever the case
  addAdapter(component, "10772432", "N/A");
  struct Case {
    DeviceIdSource source;
    std::vector<std::wstring> deviceIds;
  } cases[] = {
      {DeviceIdSource::CatalogueEntry, {L"1077.ABCD.1077.015C", L"1077.2432"}},
      {DeviceIdSource::AdapterKey, {L"1077.abcd.1077.015c", L"1077.2432"}},
  };
  for (const Case& c : cases) {
    const std::vector<CataloguedAdapter> found = component.cataloguedAdapters(c.source);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].adapter, 1u);
    EXPECT_EQ(found[0].entry, &component.catalogue.devices[0]);
    EXPECT_EQ(found[1].adapter, 2u);
    EXPECT_EQ(found[1].entry, &component.catalogue.devices[1]);
    EXPECT_EQ(found[0].deviceId, c.deviceIds[0]);
    EXPECT_EQ(found[1].deviceId, c.deviceIds[1]);
  }
}

TEST(BaseComponent, AnIndexOutsideTheCatalogueFindsNoEntry) {
  ScratchRoot scratch;
  FixedIndexComponent component;
  addEntry(component, L"1077.2432", L"QLE2460");
  addAdapter(component, "10772432", "N/A");
  for (int index : {-1, 1, 1000}) {
    component.index = index;
    EXPECT_EQ(component.catalogueEntry(L"1077.2432"), nullptr) << index;
    EXPECT_TRUE(component.cataloguedAdapters(DeviceIdSource::AdapterKey).empty()) << index;
  }
  component.index = 0;
  EXPECT_EQ(component.catalogueEntry(L"any"), &component.catalogue.devices[0]);
}

// What discovery and platform detection learn is kept for the run, and none
// of it reaches the console or the log.
TEST(BaseComponentFacts, DiscoveryAndPlatformFillTheRunsFacts) {
  testsupport::Sandbox box;
  box.add(testsupport::simAdapter(testsupport::Vendor::QLogic, "0000:05:00.0", "1077:2532:1077:015d",
                                  {"21:00:00:1b:32:0a:0b:0c"}));
  SimAdapter hidden = testsupport::simAdapter(testsupport::Vendor::QLogic, "0000:06:00.0",
                                              "1077:2532:1077:015d", {"21:00:00:1b:32:0a:0b:0d"});
  hidden.inSysfs = false;
  box.add(hidden);
  box.setRelease("etc/redhat-release", "Red Hat Enterprise Linux Server release 5.4 (Tikanga)\n");
  box.build();
  ScopedEnv env("FCUPDATE_ROOT", box.root());
  CBaseCmp component;
  testing::internal::CaptureStdout();
  component.detectPlatform();
  EXPECT_TRUE(component.discover());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  const std::string logPath = box.root() + "/var/vlx/Component.log";
  if (testsupport::fileExists(logPath)) {
    EXPECT_EQ(testsupport::readFile(logPath), "");
  }
  const RunFacts& facts = component.facts;
  EXPECT_EQ(component.report.platformName, L"rhel5");
  EXPECT_EQ(facts.sysfsFcFunctions, 1);
  ASSERT_FALSE(facts.commands.kept.empty());
  EXPECT_EQ(facts.commands.kept[0].text, "cat " + box.root() + "/etc/redhat-release");
  EXPECT_EQ(facts.commands.kept[0].outputBytes, 54u);
  ASSERT_EQ(facts.discovery.adapters.size(), 2u);
  EXPECT_TRUE(facts.discovery.adapters[0].problems.kept.empty());
  ASSERT_EQ(facts.discovery.adapters[1].problems.kept.size(), 1u);
  EXPECT_EQ(facts.discovery.adapters[1].problems.kept[0],
            "PCI identity N/A: no PCI function in sysfs at 0000:06:*.0 with subsystem 1077:015d");
  EXPECT_EQ(facts.engine.text, "");
}

// No adapter on a host whose bus lists none, or none seen on one that lists
// some: the warning is the same, the facts tell them apart.
TEST(BaseComponentFacts, NoAdaptersToldFromAdaptersNotSeen) {
  for (bool listed : {false, true}) {
    TempDir root;
    testsupport::makeDirs(root / "sys/bus/pci/devices");
    if (listed) testsupport::writeSysfsFunction(root.path(), "0000:05:00.0", "1077:2532:1077:015d");
    ScopedEnv env("FCUPDATE_ROOT", root.path());
    CBaseCmp component;
    component.log.quiet = true;
    component.detectPlatform();
    EXPECT_FALSE(component.discover());
    EXPECT_FALSE(component.facts.discovery.configurationRead);
    EXPECT_EQ(component.facts.sysfsFcFunctions, listed ? 1 : 0);
  }
}
