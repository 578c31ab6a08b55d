// The self-discovery report: header, devices and items, unwritable paths, narrowing.
#include "framework/report_writer.h"

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <cstdlib>
#include <vector>

#include "support/wide_text.h"
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

// The bytes are the ones the XML library writes to a file of its own.
TEST(ReportWriter, BytesAreTheLibrarysOwnFileOutput) {
  TempDir dir;
  DiscoveryReport report;
  report.type = std::wstring(L"FC <&\"'> ") + static_cast<wchar_t>(0xE9) + L"\t\n";
  DiscoveredDevice device;
  device.device_id = L"1077.2432.1077.0138";
  device.fw_items.resize(2);
  report.devices.assign(3, device);
  ASSERT_TRUE(saveDiscoveryReport(report, dir / "ours.xml"));
  xmlDocPtr doc = xmlReadFile((dir / "ours.xml").c_str(), nullptr, 0);
  ASSERT_NE(doc, nullptr);
  xmlFreeDoc(doc);
  // Rebuilt by the library from the same file, saved the library's way.
  xmlDocPtr again = xmlReadMemory(testsupport::readFile(dir / "ours.xml").data(),
                                  static_cast<int>(testsupport::readFile(dir / "ours.xml").size()), "x",
                                  nullptr, XML_PARSE_NOBLANKS);
  ASSERT_NE(again, nullptr);
  ASSERT_GE(xmlSaveFormatFile((dir / "theirs.xml").c_str(), again, 1), 0);
  xmlFreeDoc(again);
  EXPECT_EQ(testsupport::readFile(dir / "ours.xml"), testsupport::readFile(dir / "theirs.xml"));
}

namespace {

// Parsed strictly: any well-formedness error fails, nothing is recovered.
bool parsesStrictly(const std::string& text) {
  xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "report.xml", nullptr,
                                XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc == nullptr) return false;
  xmlFreeDoc(doc);
  return true;
}

}  // namespace

// What XML 1.0 cannot carry is left out of every value; the rest, multi-byte
// characters, DEL and markup characters included, is kept; a value with
// nothing left is written empty.
TEST(ReportWriter, ValuesHoldOnlyCharactersXmlCanCarry) {
  TempDir dir;
  DiscoveryReport report;
  report.type = widenBytes("FC\x01\x1b[1m\x0b <&> \x7f\xc3\xa9\x80");
  report.alt_name = widenBytes("\x01\x02\x1f");
  report.version = std::wstring(L"a") + static_cast<wchar_t>(0x100) + L"b";  // narrows to a NUL
  DiscoveredDevice device;
  device.product_id = widenBytes(
      "QLE\xef\xbf\xbe"
      "2562\xed\xa0\x80");
  FirmwareItem item;
  item.active_version = widenBytes("2.09\x01\x1b\x0b\x7f\xe2\x82");
  device.fw_items.push_back(item);
  report.devices.push_back(device);
  ASSERT_TRUE(saveDiscoveryReport(report, dir / "r.xml"));
  ASSERT_TRUE(parsesStrictly(testsupport::readFile(dir / "r.xml")));
  const std::vector<std::string> lines = xmlLines(dir / "r.xml");
  ASSERT_GE(lines.size(), 16u);
  EXPECT_EQ(lines[1], "/tarvo_rom_discovery/type value=FC[1m <&> \x7f\xc3\xa9");
  EXPECT_EQ(lines[2], "/tarvo_rom_discovery/alt_name value=");
  EXPECT_EQ(lines[3], "/tarvo_rom_discovery/version value=ab");
  EXPECT_EQ(lines[8], "/tarvo_rom_discovery/devices/device/product_id value=QLE2562");
  EXPECT_EQ(lines[15], "/tarvo_rom_discovery/devices/device/fw_item/active_version value=2.09\x7f");
}

// Whatever bytes the texts hold, the report parses strictly.
TEST(ReportWriter, AnyBytesGiveAWellFormedReport) {
  TempDir dir;
  unsigned int seed = 23;
  for (int round = 0; round < 100; ++round) {
    DiscoveryReport report;
    std::string bytes(1 + rand_r(&seed) % 40, '\0');
    for (char& byte : bytes) byte = static_cast<char>(rand_r(&seed) & 0xff);
    report.type = widenBytes(bytes);
    report.alt_name.assign(1 + rand_r(&seed) % 10, static_cast<wchar_t>(rand_r(&seed)));
    ASSERT_TRUE(saveDiscoveryReport(report, dir / "r.xml"));
    ASSERT_TRUE(parsesStrictly(testsupport::readFile(dir / "r.xml"))) << testsupport::readFile(dir / "r.xml");
  }
}
