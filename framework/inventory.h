// The inventory a vendor component builds: what is installed, what the
// package carries and what an update would do. The report writes it out.
#pragma once

#include <string>
#include <vector>

#include "framework/catalogue.h"

struct FirmwareItem {
  std::wstring type;
  std::wstring firmware_id;
  std::wstring version;         // what the package carries
  std::wstring active_version;  // what the adapter has; empty when not found
  std::wstring action;          // "upgrade", "downgrade" or "rewrite"
  std::wstring duration;
  std::wstring message;
  std::wstring shared;
};

struct DiscoveredDevice {
  std::wstring device_id;
  std::wstring product_id;
  std::wstring busnumber;
  std::wstring funcnumber;
  std::vector<FirmwareItem> fw_items;
};

struct DiscoveryReport {
  // The host's release code, set by platform detection. Not part of the
  // report: it is kept for the record of the run.
  std::wstring platformName;
  std::wstring type;
  std::wstring alt_name;
  std::wstring version;
  std::wstring takes_effect;
  std::vector<DiscoveredDevice> devices;
};

// The action word for a compareVersions result of the package's version
// against the installed one.
std::wstring actionFor(int comparison);

// The order of the package's version against the installed one: -1 older,
// 0 the same, 1 newer (compareVersions, or a vendor's own rule).
using VersionOrder = int (*)(const std::wstring& available, const std::wstring& installed);

// An item of a catalogued adapter offering the package's version in place of
// the installed one: the action their order gives, the entry's duration, and
// shared "no".
FirmwareItem firmwareItem(const wchar_t* type, const std::wstring& available, const std::wstring& installed,
                          VersionOrder order, const ReferenceDevice& entry);

// A catalogued adapter under the device_id the vendor records, with its
// entry's model and the items given.
DiscoveredDevice discoveredDevice(const std::wstring& deviceId, const ReferenceDevice& entry,
                                  std::vector<FirmwareItem> items);
