// The model rules as they show in the inventory: which texts are compared,
// which version is offered and which comparison gives the action.
#include "components/emulex/model_rules.h"

#include <gtest/gtest.h>

#include "components/emulex/kit_inventory.h"

namespace EmulexComp {
namespace {

ReferenceDevice entry(const wchar_t* firmware, const wchar_t* bios, int biosFlag = 2) {
  ReferenceDevice device;
  device.type = L"FC HBA";
  device.device_id = L"10df.f100.10df.f100";
  device.model = L"Package model";
  device.firmware = firmware;
  device.bios = bios;
  device.duration = L"120";
  device.biosFlag = biosFlag;
  return device;
}

KitLine line(const char* model, const char* firmware, const char* bootCode) {
  return KitLine{model, "f100", "10df", "f100", "10df", firmware, bootCode};
}

struct ModelCase {
  const char* model;
  const char* firmware;
  const char* bootCode;
  const wchar_t* catalogueFirmware;
  const wchar_t* catalogueBios;
  const wchar_t* offered;
  const wchar_t* installedFirmware;
  const wchar_t* firmwareAction;
  const wchar_t* installedBoot;
  const wchar_t* bootAction;
};

TEST(EmulexModelRules, InventoryItemsByModel) {
  const ModelCase cases[] = {
      // Fixed-version model: offered 14.0.499.25, firmware whole, plain comparison.
      {"LPe16002B-M6", "11.2.156.27", "UU11.2.156.27", L"99.9", L"11.2.156.27", L"14.0.499.25",
       L"11.2.156.27", L"upgrade", L"11.2.156.27", L"rewrite"},
      {"LPe16002B-M6", "14.0.499.25", "UU11.2.156.27", L"1.0", L"11.2.156.27", L"14.0.499.25", L"14.0.499.25",
       L"rewrite", L"11.2.156.27", L"rewrite"},
      // Fixed-version model with an undotted catalogue firmware: no dot removal.
      {"LPe32002-M2", "12.0.193.13", "UU12.0.193.13", L"1200", L"12.0.193.13", L"14.0.499.25", L"12.0.193.13",
       L"upgrade", L"12.0.193.13", L"rewrite"},
      // OneConnect model: both texts whole.
      {"OCe11102-NT", "4.9.416.0", "4.9.416.0", L"4.9.416.0", L"4.9.416.0", L"4.9.416.0", L"4.9.416.0",
       L"rewrite", L"4.9.416.0", L"rewrite"},
      // LPe120: two characters dropped from both, firmware by major and rest;
      // the rests "02a1" and "02A1" differ in case only, and 'a' > 'A'.
      {"LPe12002-M8", "US2.02A1", "UU5.02a3", L"2.02a1", L"5.02a3", L"2.02a1", L"2.02A1", L"upgrade",
       L"5.02a3", L"rewrite"},
      {"LPe11002-M4", "US2.82X6", "UU1.71a3", L"2.82x6", L"1.71a2", L"2.82x6", L"2.82X6", L"upgrade",
       L"1.71a3", L"downgrade"},
      // Undotted catalogue firmware: the installed dots go before comparing.
      {"LPe1150", "US2.72A2", "UU1.71A0", L"272a2", L"1.71a0", L"272a2", L"272A2", L"upgrade", L"1.71A0",
       L"upgrade"},
      // Mended: all-digit versions are all major part.
      {"LPe1250", "XX7", "XX5", L"7", L"5", L"7", L"7", L"rewrite", L"5", L"rewrite"},
      {"LPe1250", "XX7", "XX4", L"7", L"5", L"7", L"7", L"rewrite", L"4", L"upgrade"},
      {"LPe1250", "XX7", "XX5", L"7", L"4", L"7", L"7", L"rewrite", L"5", L"downgrade"},
      {"LPe12002", "XX4", "XX4", L"5", L"4", L"5", L"4", L"upgrade", L"4", L"rewrite"},
      // A text of one character has nothing left once two are dropped.
      {"LPe1250", "7", "5", L"7", L"5", L"7", L"", L"upgrade", L"", L"upgrade"},
      {"LPe1250", "XX", "5", L"", L"", L"", L"", L"rewrite", L"", L"rewrite"},
  };
  for (const ModelCase& c : cases) {
    SCOPED_TRACE(std::string(c.model) + " " + c.firmware + " " + c.bootCode);
    const DiscoveredDevice device =
        deviceForKitLine(line(c.model, c.firmware, c.bootCode), L"10df.f100.10df.f100",
                         entry(c.catalogueFirmware, c.catalogueBios));
    ASSERT_EQ(device.fw_items.size(), 2u);
    const FirmwareItem& fw = device.fw_items[0];
    EXPECT_EQ(fw.version, c.offered);
    EXPECT_EQ(fw.active_version, c.installedFirmware);
    EXPECT_EQ(fw.action, c.firmwareAction);
    const FirmwareItem& boot = device.fw_items[1];
    EXPECT_EQ(boot.version, c.catalogueBios);
    EXPECT_EQ(boot.active_version, c.installedBoot);
    EXPECT_EQ(boot.action, c.bootAction);
  }
}

TEST(EmulexModelRules, FirmwareComparisonFollowsTheModel) {
  // "2a5" against "2b4": as one text piece 'a' < 'b' (downgrade); by major
  // part and rest the majors tie and 5 > 4 (upgrade).
  const DiscoveredDevice plain = deviceForKitLine(line("LPe1250", "XX2b4", "XX1"), L"k", entry(L"2a5", L"1"));
  EXPECT_EQ(plain.fw_items[0].action, L"downgrade");
  for (const char* model : {"LPe12002", "LPe11002"}) {
    const DiscoveredDevice split = deviceForKitLine(line(model, "XX2b4", "XX1"), L"k", entry(L"2a5", L"1"));
    EXPECT_EQ(split.fw_items[0].action, L"upgrade") << model;
  }
}

TEST(EmulexModelRules, MajorAndRestComparison) {
  struct Case {
    const wchar_t* available;
    const wchar_t* installed;
    int expected;
  };
  const Case cases[] = {
      {L"5", L"4", 1},           {L"5", L"5", 0},   {L"4", L"5", -1},
      {L"10", L"9", 1},          {L"", L"", 0},     {L"5", L"", 1},
      {L".5", L"4", -1},         {L"3a", L"2z", 1}, {L"2.1a.10", L"2.1a.5", 1},
      {L"5.02a3", L"5.02a3", 0}, {L"5a", L"5", 0},  // the cut character belongs to neither part
  };
  for (const Case& c : cases) {
    EXPECT_EQ(compareMajorAndRest(c.available, c.installed), c.expected)
        << c.available << L" against " << c.installed;
  }
}

TEST(EmulexModelRules, ItemFieldsAndTheBiosFlag) {
  const DiscoveredDevice withBios = deviceForKitLine(line("LPe12002-M8", "US2.02A1", "UU5.02a3"),
                                                     L"10df.f100.10df.f100", entry(L"2.02a1", L"5.02a3"));
  EXPECT_EQ(withBios.device_id, L"10df.f100.10df.f100");
  EXPECT_EQ(withBios.product_id, L"Package model");
  EXPECT_EQ(withBios.busnumber, L"");
  EXPECT_EQ(withBios.funcnumber, L"");
  ASSERT_EQ(withBios.fw_items.size(), 2u);
  EXPECT_EQ(withBios.fw_items[0].type, L"Firmware");
  EXPECT_EQ(withBios.fw_items[0].shared, L"no");
  EXPECT_EQ(withBios.fw_items[0].duration, L"120");
  EXPECT_EQ(withBios.fw_items[0].firmware_id, L"");
  EXPECT_EQ(withBios.fw_items[0].message, L"");
  EXPECT_EQ(withBios.fw_items[1].type, L"Boot BIOS ROM");
  EXPECT_EQ(withBios.fw_items[1].shared, L"");
  EXPECT_EQ(withBios.fw_items[1].duration, L"120");

  const DiscoveredDevice withoutBios =
      deviceForKitLine(line("LPe12002-M8", "US2.02A1", "UU5.02a3"), L"k", entry(L"2.02a1", L"", 0));
  ASSERT_EQ(withoutBios.fw_items.size(), 1u);
  EXPECT_EQ(withoutBios.fw_items[0].type, L"Firmware");
}

TEST(EmulexModelRules, ModelTestsAreCaseSensitiveSubstrings) {
  EXPECT_TRUE(isFixedVersionModel("Emulex LPe36002-M64 HBA"));
  EXPECT_FALSE(isFixedVersionModel("lpe16002"));
  EXPECT_TRUE(comparesFirmwareByMajorAndRest("xLPe110"));
  EXPECT_FALSE(comparesFirmwareByMajorAndRest("LPE12002"));
  EXPECT_EQ(installedFirmwareText("oce11102", "ab4.9"), "4.9");
  EXPECT_EQ(installedBootCodeText("OCe14102", "4.9"), "4.9");
}

}  // namespace
}  // namespace EmulexComp
