// The self-discovery report: header, devices and items, unwritable paths, narrowing.
#include "framework/report_writer.h"

#include <gtest/gtest.h>

#include <vector>

#include "testing/test_support.h"

using testsupport::TempDir;

using testsupport::xmlLines;

TEST(ReportWriter, EmptyInventoryHasHeaderAndEmptyDevices) {
  TempDir dir;
  DiscoveryReport report;
  report.type = L"Fibre Channel";
  report.platformName = L"rhel5";
  ASSERT_TRUE(saveDiscoveryReport(report, dir / "r.xml"));
  std::vector<std::string> expected = {
      "/tarvo_rom_discovery version=2.0.0.0",     "/tarvo_rom_discovery/type value=Fibre Channel",
      "/tarvo_rom_discovery/alt_name value=",     "/tarvo_rom_discovery/version value=",
      "/tarvo_rom_discovery/takes_effect value=", "/tarvo_rom_discovery/devices",
  };
  EXPECT_EQ(xmlLines(dir / "r.xml"), expected);
  const std::string text = testsupport::readFile(dir / "r.xml");
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>\n", 0), 0u) << text;
  EXPECT_NE(text.find("\n  <type value=\"Fibre Channel\"/>\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("rhel5"), std::string::npos);
}

TEST(ReportWriter, DevicesAndItemsInOrderWithEveryValue) {
  TempDir dir;
  DiscoveryReport report;
  DiscoveredDevice device;
  device.device_id = L"1077.2432.1077.0138";
  device.product_id = L"QLE2460 <&\">";
  FirmwareItem item;
  item.type = L"Multiboot Image";
  item.version = L"2.10";
  item.action = L"upgrade";
  item.duration = L"120";
  item.shared = L"no";
  device.fw_items.push_back(item);
  item.type = L"Second";
  item.action = L"downgrade";
  device.fw_items.push_back(item);
  report.devices.push_back(device);
  ASSERT_TRUE(saveDiscoveryReport(report, dir / "r.xml"));
  std::vector<std::string> lines = xmlLines(dir / "r.xml");
  std::vector<std::string> expected = {
      "/tarvo_rom_discovery/devices/device",
      "/tarvo_rom_discovery/devices/device/device_id value=1077.2432.1077.0138",
      "/tarvo_rom_discovery/devices/device/product_id value=QLE2460 <&\">",
      "/tarvo_rom_discovery/devices/device/busnumber value=",
      "/tarvo_rom_discovery/devices/device/funcnumber value=",
      "/tarvo_rom_discovery/devices/device/fw_item",
      "/tarvo_rom_discovery/devices/device/fw_item/type value=Multiboot Image",
      "/tarvo_rom_discovery/devices/device/fw_item/firmware_id value=",
      "/tarvo_rom_discovery/devices/device/fw_item/version value=2.10",
      "/tarvo_rom_discovery/devices/device/fw_item/active_version value=",
      "/tarvo_rom_discovery/devices/device/fw_item/action value=upgrade",
      "/tarvo_rom_discovery/devices/device/fw_item/duration value=120",
      "/tarvo_rom_discovery/devices/device/fw_item/message value=",
      "/tarvo_rom_discovery/devices/device/fw_item/shared value=no",
      "/tarvo_rom_discovery/devices/device/fw_item",
      "/tarvo_rom_discovery/devices/device/fw_item/type value=Second",
  };
  ASSERT_GE(lines.size(), 6 + expected.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 6, lines.begin() + 6 + expected.size()), expected);
  EXPECT_EQ(lines[6 + expected.size() + 3],
            "/tarvo_rom_discovery/devices/device/fw_item/action value=downgrade");
}

TEST(ReportWriter, OverwritesAndFailsOnUnwritablePath) {
  TempDir dir;
  testsupport::writeFile(dir / "r.xml", std::string(10000, 'Z'));
  DiscoveryReport report;
  ASSERT_TRUE(saveDiscoveryReport(report, dir / "r.xml"));
  EXPECT_EQ(testsupport::readFile(dir / "r.xml").find('Z'), std::string::npos);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(saveDiscoveryReport(report, dir / "missing/dir/r.xml"));
  testing::internal::GetCapturedStderr();
}

TEST(ReportWriter, WideTextIsNarrowedToItsLowEightBits) {
  TempDir dir;
  DiscoveryReport report;
  report.alt_name = std::wstring(L"A") + static_cast<wchar_t>(0x142);  // low byte 'B'
  ASSERT_TRUE(saveDiscoveryReport(report, dir / "r.xml"));
  EXPECT_EQ(xmlLines(dir / "r.xml")[2], "/tarvo_rom_discovery/alt_name value=AB");
}
