// Building the simulated QLogic fleet: adapters, catalogue and the stand-in engine's query report.
#include "bench/whole_run/fleet.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "support/shell_quote.h"

namespace wholerun {

namespace {

struct Model {
  const char* id;  // vendor:device:subsystem vendor:subsystem device
  const char* name;
  const char* boot;  // the multiboot image the package carries
};

const Model kInstalled[] = {
    {"1077:2532:1077:015d", "QLE2562", "3.28"},
    {"1077:2031:1077:0263", "QLE2672", "3.43"},
    {"1077:2261:1077:029b", "QLE2692", "3.60"},
    {"1077:2532:1077:015f", "QLE2564", "3.28"},
};
constexpr int kModels = sizeof kInstalled / sizeof kInstalled[0];

// Supported by the package but absent from the fleet, so that a lookup walks
// past entries that do not match.
const Model kOthers[] = {
    {"1077:2422:1077:0138", "QLA2460", "2.02"}, {"1077:2432:1077:0137", "QLE2460", "2.02"},
    {"1077:5432:1077:013f", "QLE220", "2.02"},  {"1077:8001:1077:017e", "QLE8152", "2.10"},
    {"1077:2031:1077:024d", "QLE2670", "3.43"}, {"1077:2071:1077:0287", "QLE2742", "3.64"},
};

std::string portWwn(int i) {
  char wwn[32];
  (void)std::snprintf(wwn, sizeof wwn, "21:00:00:1b:32:%02x:%02x:%02x", (i >> 16) & 0xff, (i >> 8) & 0xff,
                      i & 0xff);
  return wwn;
}

void writeEntry(std::ostringstream& xml, const Model& model) {
  std::string key = model.id;
  for (char& c : key) c = c == ':' ? '.' : c;
  xml << "    <device>\n      <type value=\"Fibre Channel\"/>\n      <device_id value=\"" << key
      << "\"/>\n      <model value=\"" << model.name << "\"/>\n      <firmware value=\"8.07.00\"/>\n"
      << "      <bios value=\"" << model.boot << "\"/>\n      <boot value=\"" << model.boot
      << "\"/>\n      <duration value=\"120\"/>\n    </device>\n";
}

}  // namespace

testsupport::SimAdapter fleetAdapter(int i) {
  char pci[16];
  (void)std::snprintf(pci, sizeof pci, "0000:%02x:00.%x", (1 + i / 2) & 0xff, i % 2);
  const Model& model = kInstalled[i % kModels];
  testsupport::SimAdapter adapter =
      testsupport::simAdapter(testsupport::Vendor::QLogic, pci, model.id, {portWwn(i)});
  adapter.model = model.name;
  adapter.optionRomVersion = model.boot;
  char serial[16];
  (void)std::snprintf(serial, sizeof serial, "RFD%05d", i);
  adapter.serialNumber = serial;
  return adapter;
}

std::string fleetReference() {
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\"?>\n<maplu_fchba_reference>\n"
      << "  <discovery_app_path><![CDATA[./qlafwupdate]]></discovery_app_path>\n"
      << "  <installer_app_path><![CDATA[./qlafwupdate]]></installer_app_path>\n  <devices>\n";
  for (const Model& model : kOthers) writeEntry(xml, model);
  for (const Model& model : kInstalled) writeEntry(xml, model);
  xml << "  </devices>\n</maplu_fchba_reference>\n";
  return xml.str();
}

std::string fleetQueryReport(int adapters) {
  std::ostringstream out;
  for (int i = 0; i < adapters; ++i) {
    std::string port = portWwn(i);
    for (char& c : port) c = c == ':' ? '-' : c;
    const Model& model = kInstalled[i % kModels];
    out << "HBA Instance: " << i << "\nFlash Image Version: " << (i % 2 == 0 ? "3.00" : model.boot)
        << "\nPort Name: " << port << "\nModel: " << model.name << "\nSerial Number: RFD" << i << "\n";
  }
  return out.str();
}

void buildFleet(testsupport::Sandbox& box, int adapters, const std::string& standinsDir) {
  for (int i = 0; i < adapters; ++i) box.add(fleetAdapter(i));
  box.setReference(fleetReference());
  box.build();
  const std::string engine = box.work() + "/qlafwupdate";
  if (std::system(("cp " + shellQuote(standinsDir + "/qlafwupdate") + " " + shellQuote(engine)).c_str()) != 0)
    throw std::runtime_error("cannot copy the stand-in flash engine to " + engine);
  testsupport::writeFile(engine + ".query", fleetQueryReport(adapters));
  testsupport::writeFile(engine + ".exit", "0\n");
}

}  // namespace wholerun
