#include "components/emulex/kit_inventory.h"

#include "components/emulex/model_rules.h"
#include "framework/base_component.h"
#include "support/wide_text.h"

namespace EmulexComp {

namespace {

FirmwareItem firmwareItem(const KitLine& line, const ReferenceDevice& entry) {
  const std::string installed = installedFirmwareText(line.model, line.firmware);
  FirmwareItem item;
  item.type = L"Firmware";
  item.version = availableFirmwareVersion(line.model, entry.firmware);
  item.active_version = toWide(firmwareTextForComparison(line.model, entry.firmware, installed));
  const int r = comparesFirmwareByMajorAndRest(line.model)
                    ? compareMajorAndRest(item.version, item.active_version)
                    : CBaseCmp::compareVersions(item.version, item.active_version);
  item.action = actionFor(r);
  item.duration = entry.duration;
  item.shared = L"no";
  return item;
}

// Its shared field stays empty: the boot code is not marked "no" as the
// firmware is.
FirmwareItem biosItem(const KitLine& line, const ReferenceDevice& entry) {
  FirmwareItem item;
  item.type = L"Boot BIOS ROM";
  item.version = entry.bios;
  item.active_version = toWide(installedBootCodeText(line.model, line.bootCode));
  item.action = actionFor(compareMajorAndRest(item.version, item.active_version));
  item.duration = entry.duration;
  return item;
}

}  // namespace

DiscoveredDevice deviceForKitLine(const KitLine& line, const std::wstring& key,
                                  const ReferenceDevice& entry) {
  DiscoveredDevice device;
  device.device_id = key;
  device.product_id = entry.model;
  device.fw_items.push_back(firmwareItem(line, entry));
  if (entry.biosFlag != 0) device.fw_items.push_back(biosItem(line, entry));
  return device;
}

}  // namespace EmulexComp
