// The self-discovery report: header, devices and items, unwritable paths, narrowing.
#include "framework/report_writer.h"

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <cstdlib>
#include <vector>

#include "support/wide_text.h"
#include "testing/test_support.h"

using testsupport::TempDir;

namespace {

// The report as written, byte for byte.
std::string written(const DiscoveryReport& report) {
  TempDir dir;
  EXPECT_TRUE(saveDiscoveryReport(report, dir / "r.xml"));
  return testsupport::readFile(dir / "r.xml");
}

}  // namespace

// The header's four elements and an empty devices element; the platform
// code is never written.
TEST(ReportWriter, EmptyInventoryHasHeaderAndEmptyDevices) {
  DiscoveryReport report;
  report.type = L"Fibre Channel";
  report.platformName = L"rhel5";
  EXPECT_EQ(written(report), R"(<?xml version="1.0"?>
<tarvo_rom_discovery version="2.0.0.0">
  <type value="Fibre Channel"/>
  <alt_name value=""/>
  <version value=""/>
  <takes_effect value=""/>
  <devices/>
</tarvo_rom_discovery>
)");
}

// Devices and items in order, every value written even when empty, markup
// characters escaped.
TEST(ReportWriter, DevicesAndItemsInOrderWithEveryValue) {
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
  EXPECT_EQ(written(report), R"(<?xml version="1.0"?>
<tarvo_rom_discovery version="2.0.0.0">
  <type value=""/>
  <alt_name value=""/>
  <version value=""/>
  <takes_effect value=""/>
  <devices>
    <device>
      <device_id value="1077.2432.1077.0138"/>
      <product_id value="QLE2460 &lt;&amp;&quot;&gt;"/>
      <busnumber value=""/>
      <funcnumber value=""/>
      <fw_item>
        <type value="Multiboot Image"/>
        <firmware_id value=""/>
        <version value="2.10"/>
        <active_version value=""/>
        <action value="upgrade"/>
        <duration value="120"/>
        <message value=""/>
        <shared value="no"/>
      </fw_item>
      <fw_item>
        <type value="Second"/>
        <firmware_id value=""/>
        <version value="2.10"/>
        <active_version value=""/>
        <action value="downgrade"/>
        <duration value="120"/>
        <message value=""/>
        <shared value="no"/>
      </fw_item>
    </device>
  </devices>
</tarvo_rom_discovery>
)");
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
  DiscoveryReport report;
  report.alt_name = std::wstring(L"A") + static_cast<wchar_t>(0x142);  // low byte 'B'
  EXPECT_EQ(written(report), R"(<?xml version="1.0"?>
<tarvo_rom_discovery version="2.0.0.0">
  <type value=""/>
  <alt_name value="AB"/>
  <version value=""/>
  <takes_effect value=""/>
  <devices/>
</tarvo_rom_discovery>
)");
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
  const std::string text = written(report);
  ASSERT_TRUE(parsesStrictly(text));
  // The library writes the e acute as a character reference, DEL as itself.
  EXPECT_EQ(text,
            "<?xml version=\"1.0\"?>\n"
            "<tarvo_rom_discovery version=\"2.0.0.0\">\n"
            "  <type value=\"FC[1m &lt;&amp;&gt; \x7f&#xE9;\"/>\n"
            "  <alt_name value=\"\"/>\n"
            "  <version value=\"ab\"/>\n"
            "  <takes_effect value=\"\"/>\n"
            "  <devices>\n"
            "    <device>\n"
            "      <device_id value=\"\"/>\n"
            "      <product_id value=\"QLE2562\"/>\n"
            "      <busnumber value=\"\"/>\n"
            "      <funcnumber value=\"\"/>\n"
            "      <fw_item>\n"
            "        <type value=\"\"/>\n"
            "        <firmware_id value=\"\"/>\n"
            "        <version value=\"\"/>\n"
            "        <active_version value=\"2.09\x7f\"/>\n"
            "        <action value=\"\"/>\n"
            "        <duration value=\"\"/>\n"
            "        <message value=\"\"/>\n"
            "        <shared value=\"\"/>\n"
            "      </fw_item>\n"
            "    </device>\n"
            "  </devices>\n"
            "</tarvo_rom_discovery>\n");
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
