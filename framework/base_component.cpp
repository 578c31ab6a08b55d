// The component base's default operations, the catalogue lookups and the update decision.
#include "framework/base_component.h"

#include <cwchar>

#include "fchba/enumerate.h"
#include "fchba/pci_class.h"
#include "framework/platform.h"
#include "framework/report_writer.h"

bool CBaseCmp::discover() {
  enumerateFcAdapters(adapters, facts.discovery, facts.commands);
  if (adapters.empty()) {
    log.write("WARNING! : No supported adapters found.\n");
    return false;
  }
  report.type = catalogue.devices.empty() ? std::wstring() : catalogue.devices.front().type;
  report.alt_name.clear();
  report.version.clear();
  report.takes_effect.clear();
  buildInventory();
  return true;
}

void CBaseCmp::buildInventory() {}

int CBaseCmp::flash() { return 0; }

bool CBaseCmp::writeDiscoveryReport() { return saveDiscoveryReport(report, options.reportPath); }

int CBaseCmp::findCatalogueIndex(const std::wstring& name) {
  for (std::size_t i = 0; i < catalogue.devices.size(); ++i) {
    if (wcscasecmp(catalogue.devices[i].device_id.c_str(), name.c_str()) == 0) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

const ReferenceDevice* CBaseCmp::catalogueEntry(const std::wstring& key) {
  const int index = findCatalogueIndex(key);
  if (index < 0 || static_cast<std::size_t>(index) >= catalogue.devices.size()) return nullptr;
  return &catalogue.devices[static_cast<std::size_t>(index)];
}

std::vector<CataloguedAdapter> CBaseCmp::cataloguedAdapters(DeviceIdSource source) {
  std::vector<CataloguedAdapter> found;
  for (std::size_t i = 0; i < adapters.size(); ++i) {
    const std::wstring key = pciIdText(i);
    const ReferenceDevice* entry = catalogueEntry(key);
    if (entry == nullptr) continue;
    found.push_back({i, entry, source == DeviceIdSource::CatalogueEntry ? entry->device_id : key});
  }
  return found;
}

UpdateDecision CBaseCmp::updateDecision() const {
  bool upgrade = false;
  bool downgrade = false;
  bool rewrite = false;
  for (const DiscoveredDevice& device : report.devices) {
    for (const FirmwareItem& item : device.fw_items) {
      upgrade = upgrade || item.action == L"upgrade";
      downgrade = downgrade || item.action == L"downgrade";
      rewrite = rewrite || item.action == L"rewrite";
    }
  }
  if (upgrade) return UpdateDecision::Upgrade;
  if (downgrade) return UpdateDecision::Downgrade;
  if (rewrite) return UpdateDecision::Rewrite;
  return UpdateDecision::None;
}

void CBaseCmp::detectPlatform() {
  // An unrecognised release leaves whatever code was recorded before.
  const std::wstring code = detectReleaseCode(facts.commands);
  if (!code.empty()) report.platformName = code;
  facts.sysfsFcFunctions = countFibreChannelFunctions();
}

bool CBaseCmp::hasDiscoveredDevices() const { return !report.devices.empty(); }
