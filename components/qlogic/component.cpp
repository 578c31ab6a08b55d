// The QLogic rules: inventory from the engine's query, loose catalogue matching, the engine's code map.
#include "components/qlogic/component.h"

#include "components/qlogic/query_report.h"
#include "framework/run_exit.h"
#include "framework/tool_trust.h"
#include "framework/vendor_tool.h"
#include "support/command_runner.h"

namespace QLogicComp {

namespace {

const char kEngine[] = "./qlafwupdate";

// The flash image version of the last consulted instance whose port name is
// the adapter's first port WWN. An adapter without a port WWN has nothing to
// be recognised by and gets no version, rather than an unnamed instance's.
std::wstring installedVersion(const QueryReport& query, const std::string& portWwn) {
  std::wstring version;
  if (portWwn.empty()) return version;
  for (int i = 0; i < query.consulted; ++i) {
    if (query.instances[i].portName == portWwn) version = query.instances[i].flashImage;
  }
  return version;
}

}  // namespace

int exitCodeForEngine(int e) {
  if (e == 0) return kExitApplied;
  if (e == 1) return kExitNothingDone;
  if ((e >= 2 && e <= 10) || e == 14 || e == 16 || e == 17) return kExitFailed;
  return e;
}

// Before the query, the first run of the engine, and before its chmod, so
// that an engine left open to others is refused as found.
bool CComponent::discover() {
  if (!vendorFilesTrusted(log, {kEngine}, &facts.toolRefusal)) return false;
  return CBaseCmp::discover();
}

void CComponent::buildInventory() {
  makeExecutable(kEngine);
  const std::string command = std::string(kEngine) + " /q";
  // A query that never started parses as one that printed nothing.
  const CommandResult output = runCaptured(command);
  facts.commands.add(commandRecord(command, output));
  const QueryReport query = parseQueryReport(output.output);
  for (const CataloguedAdapter& found : cataloguedAdapters(DeviceIdSource::CatalogueEntry)) {
    const ReferenceDevice& entry = *found.entry;
    const std::wstring installed = installedVersion(query, adapters[found.adapter].portWwn);
    report.devices.push_back(
        discoveredDevice(found.deviceId, entry,
                         {firmwareItem(L"Multiboot Image", entry.boot, installed, compareVersions, entry)}));
    facts.deviceAdapters.push_back(found.adapter);
  }
}

int CComponent::findCatalogueIndex(const std::wstring& name) {
  const int exact = CBaseCmp::findCatalogueIndex(name);
  if (exact >= 0) return exact;
  // An entry may list a longer identity than the adapter provides.
  const std::wstring wanted = toUpperWide(name);
  for (std::size_t i = 0; i < catalogue.devices.size(); ++i) {
    if (toUpperWide(catalogue.devices[i].device_id).find(wanted) != std::wstring::npos) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::string CComponent::packageFile() const { return kEngine; }

int CComponent::flash() {
  FlashEngine engine{kEngine, ""};
  if (options.silent) engine.arguments += " /s";
  if (options.force) engine.arguments += " /f";
  facts.engine = runFlashEngine(log, engine, LoggedCommand::EngineOnly, ToolPreparation::MakeExecutable);
  // An interrupted flash is a failed one, whatever the status bits say.
  if (facts.engine.status.signalled) return kExitFailed;
  return exitCodeForEngine(facts.engine.status.exitCode);
}

std::wstring CComponent::cleanVersionText(const std::wstring& text) {
  std::wstring clean = text.substr(0, text.find(L' '));
  const std::size_t marker = clean.find(L"v.");
  if (marker != std::wstring::npos) clean.erase(marker, 2);
  return clean;
}

}  // namespace QLogicComp
