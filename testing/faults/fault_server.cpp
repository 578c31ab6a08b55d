// Setting up the simulated server of one fault case.
#include "testing/faults/fault_server.h"

#include <cstdlib>
#include <stdexcept>

#include "support/shell_quote.h"
#include "testing/standins/standins.h"

namespace faults {

namespace {

const char kQLogicCatalogue[] = R"(<?xml version="1.0"?>
<maplu_fchba_reference>
  <devices>
    <device><type value="Fibre Channel"/><device_id value="1077.2532.1077.015d"/>
      <model value="QLE2562"/><boot value="3.10"/><duration value="120"/></device>
  </devices>
</maplu_fchba_reference>
)";

const char kEmulexCatalogue[] = R"(<?xml version="1.0"?>
<maplu_fchba_reference>
  <devices>
    <device><type value="Fibre Channel HBA"/><device_id value="10DF.F100.10DF.F100"/>
      <model value="LPe12002"/><firmware value="2.02a1"/><bios value="5.02a3"/><duration value="180"/></device>
  </devices>
</maplu_fchba_reference>
)";

const char kBrocadeCatalogue[] = R"(<?xml version="1.0"?>
<maplu_fchba_reference>
  <devices>
    <device><type value="Fibre Channel HBA"/><device_id value="1657.0013.1657.0014"/>
      <model value="825"/><bios value="3.2.5.0"/><duration value="300"/></device>
  </devices>
</maplu_fchba_reference>
)";

// The engine reports the adapter's port with an older multiboot image.
const char kQLogicQuery[] =
    "HBA Instance: 0\nFlash Image Version: 3.00\nPort Name: 21-00-00-1b-32-0a-0b-0c\nSerial: SIM\n\n";
const char kEmulexQuery[] =
    "HBA=LPe12002-M8, PCI ID=f100, VID=10df, SSID=f100, SVID=10df, Firmware=US2.02A1, Boot Code=UU5.02a3\n";

void copyStandin(const std::string& name, const std::string& to) {
  const std::string from = std::string(FCUPDATE_SOURCE_DIR) + "/testing/standins/" + name;
  if (std::system(("cp " + shellQuote(from) + " " + shellQuote(to)).c_str()) != 0) {
    throw std::runtime_error("cannot copy the stand-in " + name);
  }
}

}  // namespace

const char kEarlierLog[] = "An earlier run's log, which nothing may lose.\n";

const char kStart[] =
    "---------------------------------------------------\n"
    "Loading references...done.\n"
    "Performing discovery...\n";

const char* componentName(Component component) {
  static const char* names[] = {"QLogic", "Emulex", "Brocade"};
  return names[static_cast<int>(component)];
}

FaultServer::FaultServer(Component component) : component_(component) {
  if (component == Component::QLogic) {
    adapter_ = testsupport::simAdapter(testsupport::Vendor::QLogic, "0000:05:00.0", "1077:2532:1077:015d",
                                       {"21:00:00:1b:32:0a:0b:0c"});
  } else {
    adapter_ = testsupport::simAdapter(testsupport::Vendor::Brocade, "0000:0a:00.0", "1657:0013:1657:0014",
                                       {"20:00:00:05:1e:01:02:03"});
    adapter_.optionRomVersion = "Boot 3.0.3.0 build 5";
  }
}

void FaultServer::build() {
  if (component_ != Component::Emulex) box_.add(adapter_);
  const char* catalogues[] = {kQLogicCatalogue, kEmulexCatalogue, kBrocadeCatalogue};
  box_.setReference(catalogues[static_cast<int>(component_)]);
  box_.build();
  testsupport::makeDirs(root("var/vlx"));
  testsupport::writeFile(logPath(), kEarlierLog);
  bool tool = true;
  if (component_ == Component::QLogic) {
    copyStandin("qlafwupdate", toolPath());
    setQueryOutput(kQLogicQuery);
  } else if (component_ == Component::Emulex) {
    tool = standins::writeEmulexKit(box_.work(), "1.0");
    setQueryOutput(kEmulexQuery);
  } else {
    tool = standins::writeBootUpdateTool(box_.work());
  }
  if (!tool) throw std::runtime_error("cannot write the stand-in tool");
}

Invocation FaultServer::invocation(const std::vector<std::string>& args) const {
  static const char* executables[] = {"fcupdate", "fcupdate-emulex", "fcupdate-brocade"};
  return Invocation{box_.work(), box_.root(), executables[static_cast<int>(component_)], args, false};
}

Outcome FaultServer::run(const std::vector<std::string>& args, const Limits& limits,
                         bool obeyFileModes) const {
  Invocation call = invocation(args);
  call.obeyFileModes = obeyFileModes;
  return runBounded(call, limits);
}

const char* FaultServer::toolWord() const {
  static const char* words[] = {"qlafwupdate", "elxflash", "bcu_bootupdate"};
  return words[static_cast<int>(component_)];
}

void FaultServer::setQueryOutput(const std::string& output) const {
  standins::setQueryOutput(box_.work(), toolWord(), output);
}

void FaultServer::setToolExit(int code) const { standins::setExitCode(box_.work(), toolWord(), code); }

void FaultServer::setToolSignal(const std::string& signal) const {
  standins::setSignal(box_.work(), toolWord(), signal);
}

std::string FaultServer::toolCalls() const { return standins::recordedCalls(box_.work(), toolWord()); }

std::string FaultServer::toolPath() const {
  static const char* files[] = {"qlafwupdate", "elxflashStandalone-1.0.zip", "bcu_bootupdate"};
  return work(files[static_cast<int>(component_)]);
}

std::string FaultServer::logPath() const { return root("var/vlx/Component.log"); }

std::string FaultServer::log() const { return testsupport::readFile(logPath()); }

std::string FaultServer::start() const {
  return std::string(kStart) + (component_ == Component::Emulex ? "Preparing the Emulex Kit...done\n" : "");
}

bool readReport(const std::string& path, std::vector<std::string>& devices) {
  const std::vector<std::string> lines = testsupport::xmlLines(path);
  const std::string device = "/tarvo_rom_discovery/devices/device/";
  bool activeTaken = true;
  for (const std::string& line : lines) {
    if (line.rfind(device + "device_id value=", 0) == 0) {
      devices.push_back(line.substr(line.find('=') + 1));
      activeTaken = false;
    } else if (!activeTaken && line.rfind(device + "fw_item/active_version value=", 0) == 0) {
      devices.back() += " " + line.substr(line.find('=') + 1);
      activeTaken = true;
    }
  }
  return !lines.empty();
}

}  // namespace faults
