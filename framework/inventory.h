// The inventory a vendor component builds: what is installed, what the
// package carries and what an update would do. The report writes it out.
#pragma once

#include <string>
#include <vector>

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
  std::wstring platformName;  // set by platform detection; never written out
  std::wstring type;
  std::wstring alt_name;
  std::wstring version;
  std::wstring takes_effect;
  std::vector<DiscoveredDevice> devices;
};

// The action word for a compareVersions result of the package's version
// against the installed one.
std::wstring actionFor(int comparison);
