// Reading the component's self-discovery report into the devices the module
// returns.
#pragma once

#include <string>
#include <vector>

namespace fleet {

struct FirmwareItemInfo {
  std::string type;
  std::string version;         // what the package carries
  std::string active_version;  // what the adapter has
  std::string action;          // "upgrade", "downgrade" or "rewrite"
  std::string duration;
};

struct DeviceInfo {
  std::string device_id;
  std::string product_id;
  std::vector<FirmwareItemInfo> items;
  // The adapter the device came from, as the run history knows it; empty
  // where it does not, so that two identical adapters can be told apart.
  std::string pci_location;
  std::string serial;
  std::vector<std::string> port_wwns;
};

// A report larger than this is not one the component wrote.
constexpr long long kReportBound = 16LL << 20;

// False with a message when the file is missing, too large, not XML, or not a
// self-discovery report.
bool readDiscoveryReport(const std::string& path, std::vector<DeviceInfo>& devices, std::string& error);

// Would the component flash: an upgrade anywhere, or with force any device.
bool updatePending(const std::vector<DeviceInfo>& devices, bool force);

}  // namespace fleet
