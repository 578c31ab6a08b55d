// The action words and the builders of inventory items and devices.
#include "framework/inventory.h"

#include <utility>

std::wstring actionFor(int comparison) {
  if (comparison > 0) return L"upgrade";
  if (comparison < 0) return L"downgrade";
  return L"rewrite";
}

FirmwareItem firmwareItem(const wchar_t* type, const std::wstring& available, const std::wstring& installed,
                          VersionOrder order, const ReferenceDevice& entry) {
  FirmwareItem item;
  item.type = type;
  item.version = available;
  item.active_version = installed;
  item.action = actionFor(order(available, installed));
  item.duration = entry.duration;
  item.shared = L"no";
  return item;
}

DiscoveredDevice discoveredDevice(const std::wstring& deviceId, const ReferenceDevice& entry,
                                  std::vector<FirmwareItem> items) {
  DiscoveredDevice device;
  device.device_id = deviceId;
  device.product_id = entry.model;
  device.fw_items = std::move(items);
  return device;
}
