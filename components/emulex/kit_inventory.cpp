// The "Firmware" and "Boot BIOS ROM" items of one catalogued kit line.
#include "components/emulex/kit_inventory.h"

#include <utility>
#include <vector>

#include "components/emulex/model_rules.h"
#include "framework/base_component.h"
#include "support/wide_text.h"

namespace EmulexComp {

namespace {

FirmwareItem firmware(const KitLine& line, const ReferenceDevice& entry) {
  const std::string installed = installedFirmwareText(line.model, line.firmware);
  const VersionOrder order =
      comparesFirmwareByMajorAndRest(line.model) ? compareMajorAndRest : CBaseCmp::compareVersions;
  return firmwareItem(L"Firmware", availableFirmwareVersion(line.model, entry.firmware),
                      toWide(firmwareTextForComparison(line.model, entry.firmware, installed)), order, entry);
}

// Its shared field stays empty: the boot code is not marked "no" as the
// firmware is.
FirmwareItem bootBios(const KitLine& line, const ReferenceDevice& entry) {
  FirmwareItem item =
      firmwareItem(L"Boot BIOS ROM", entry.bios, toWide(installedBootCodeText(line.model, line.bootCode)),
                   compareMajorAndRest, entry);
  item.shared.clear();
  return item;
}

}  // namespace

DiscoveredDevice deviceForKitLine(const KitLine& line, const std::wstring& key,
                                  const ReferenceDevice& entry) {
  std::vector<FirmwareItem> items{firmware(line, entry)};
  if (entry.biosFlag != 0) items.push_back(bootBios(line, entry));
  return discoveredDevice(key, entry, std::move(items));
}

}  // namespace EmulexComp
