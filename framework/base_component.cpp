#include "framework/base_component.h"

#include <cwchar>

#include "framework/report_writer.h"

bool CBaseCmp::discover() {
  enumerateFcAdapters(adapters);
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

std::wstring CBaseCmp::cleanVersionText(const std::wstring& text) { return text; }

void CBaseCmp::buildInventory() {}

bool CBaseCmp::prepareKit() { return false; }

int CBaseCmp::flash() { return 0; }

bool CBaseCmp::writeDiscoveryReport() { return saveDiscoveryReport(report, reportPath); }

int CBaseCmp::findCatalogueIndex(const std::wstring& name) {
  for (std::size_t i = 0; i < catalogue.devices.size(); ++i) {
    if (wcscasecmp(catalogue.devices[i].device_id.c_str(), name.c_str()) == 0) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

int CBaseCmp::updateDecision() const {
  int seen = 0;
  for (const DiscoveredDevice& device : report.devices) {
    for (const FirmwareItem& item : device.fw_items) {
      if (item.action == L"downgrade") seen |= 4;
      if (item.action == L"rewrite") seen |= 2;
      if (item.action == L"upgrade") seen |= 1;
    }
  }
  if (seen & 1) return 1;
  if (seen & 4) return 4;
  if (seen & 2) return 2;
  return 0;
}

bool CBaseCmp::hasDiscoveredDevices() const { return !report.devices.empty(); }
