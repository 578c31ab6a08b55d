// Control bytes and cut UTF-8 in what the vendor tools, the library and the
// catalogue say: after "done." the report still parses, strictly, with only
// the characters XML cannot carry left out.
#include <algorithm>
#include <string>
#include <vector>

#include "support/shell_quote.h"
#include "testing/faults/fault_checks.h"
#include "testing/faults/fault_server.h"

namespace faults {
namespace {

const char kDone[] = "Generating self-discovery XML...done.\n";

struct DirtyText {
  const char* name;
  Component component;
  // Puts the text where the component reads it; build() comes after.
  void (*before)(FaultServer& server);
  // And after build(), for what build() writes.
  void (*after)(const FaultServer& server);
  const char* device;       // what readReport gives: the key and the installed version
  const char* expected[2];  // flattened lines the report must hold, or null
};

void PrintTo(const DirtyText& text, std::ostream* out) { *out << text.name; }

void nothingBefore(FaultServer&) {}
void nothingAfter(const FaultServer&) {}

const DirtyText kTexts[] = {
    {"QLogicQuery",
     Component::QLogic,
     nothingBefore,
     [](const FaultServer& server) {
       server.setQueryOutput(
           "HBA Instance: 0\nFlash Image Version: 3.00\x01\x1b[0m\x0b\x7f\x02\x80\n"
           "Port Name: 21-00-00-1b-32-0a-0b-0c\nSerial: SIM\n\n");
     },
     "1077.2532.1077.015d 3.00[0m\x7f",
     {}},
    {"EmulexKitLine",
     Component::Emulex,
     nothingBefore,
     [](const FaultServer& server) {
       server.setQueryOutput(
           "HBA=LPe12002-M8, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, "
           "Firmware=US2.02A1\x01\x1b\x0b\x7f\x1f, Boot Code=UU5.02a3\x80\xbf\n");
     },
     "10df.f100.10df.f100 2.02A1\x7f",
     {}},
    {"BrocadeOptionRom",
     Component::Brocade,
     [](FaultServer& server) { server.adapter().optionRomVersion = "Boot \x01\x02\x1b\x0b\x7f build\x1f"; },
     nothingAfter,
     "1657.0013.1657.0014 Boot \x7f build",
     {}},
    // The catalogue is XML itself, so it carries no control byte; what it
    // can carry (a tab, C1 and DEL by reference, four-byte UTF-8) is kept.
    {"CatalogueModelAndType",
     Component::QLogic,
     nothingBefore,
     [](const FaultServer& server) {
       std::string text = testsupport::readFile(server.work("reference.xml"));
       text.replace(text.find("\"QLE2562\""), 9, "\"QLE2562 &#xe9;&#x85;&#x1F600;&#127;\"");
       text.replace(text.find("\"Fibre Channel\""), 15, "\"Fibre&#9;Channel\"");
       testsupport::writeFile(server.work("reference.xml"), text);
     },
     "1077.2532.1077.015d 3.00",
     {"/tarvo_rom_discovery/type value=Fibre\tChannel",
      "/tarvo_rom_discovery/devices/device/product_id value=QLE2562 \xc3\xa9\xc2\x85\xf0\x9f\x98\x80\x7f"}},
};

class ReportTextFaults : public ::testing::TestWithParam<DirtyText> {};

INSTANTIATE_TEST_SUITE_P(Faults, ReportTextFaults, ::testing::ValuesIn(kTexts),
                         [](const auto& info) { return std::string(info.param.name); });

// A second, independent parser where the host has one (python3 is part of
// the build's packages; without it libxml2's strict parse stands alone).
bool python3Parses(const std::string& path) {
  if (testsupport::runIn("/", "command -v python3 >/dev/null").exitCode != 0) return true;
  return testsupport::runIn("/",
                            "python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' " +
                                shellQuote(path) + " 2>&1")
             .exitCode == 0;
}

TEST_P(ReportTextFaults, ReportParsesWithTheKeptCharactersIntact) {
  const DirtyText& text = GetParam();
  FaultServer server(text.component);
  text.before(server);
  server.build();
  text.after(server);
  const Outcome run = server.run({"/d", "report.xml"});
  EXPECT_TRUE(withinBounds(run, ordinaryLimits()));
  EXPECT_EQ(run.exitCode, 3);
  EXPECT_EQ(run.out, server.start() + kDone);
  // xmlLines parses without recovery: any well-formedness error gives nothing.
  const std::vector<std::string> lines = testsupport::xmlLines(server.work("report.xml"));
  ASSERT_FALSE(lines.empty()) << testsupport::readFile(server.work("report.xml"));
  EXPECT_TRUE(python3Parses(server.work("report.xml"))) << testsupport::readFile(server.work("report.xml"));
  std::vector<std::string> devices;
  ASSERT_TRUE(readReport(server.work("report.xml"), devices));
  EXPECT_EQ(devices, std::vector<std::string>{text.device});
  for (const char* line : text.expected) {
    if (line == nullptr) continue;
    EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end())
        << line << "\n"
        << testsupport::readFile(server.work("report.xml"));
  }
}

}  // namespace
}  // namespace faults
