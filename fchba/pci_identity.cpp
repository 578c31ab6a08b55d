// The sysfs search for an adapter's PCI function and the reading of its identifiers.
#include "fchba/pci_identity.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "support/command_stream.h"
#include "support/shell_quote.h"
#include "support/system_root.h"

namespace {

std::string hex(const char* format, unsigned value) {
  char text[16];
  (void)std::snprintf(text, sizeof text, format, value);
  return text;
}

bool exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

bool hasIdentityFiles(const std::string& directory) {
  return exists(directory + "/subsystem_device") && exists(directory + "/vendor") &&
         exists(directory + "/device");
}

// Each of the directory's two subsystem files must hold one of the two
// identifiers: the matching lines are counted.
bool subsystemMatches(const std::string& directory, HBA_UINT16 subsystemVendorId,
                      HBA_UINT16 subsystemDeviceId) {
  CommandStream test(subsystemTestCommand(directory, subsystemVendorId, subsystemDeviceId));
  std::string count;
  return test.readLine(count) && std::atoi(count.c_str()) == 2;
}

bool findDevice(HBA_UINT8 domain, HBA_UINT8 bus, HBA_UINT8 function, HBA_UINT16 subsystemVendorId,
                HBA_UINT16 subsystemDeviceId, std::string& device) {
  CommandStream search(pciSearchCommand(domain, bus, function));
  std::string line;
  while (search.readLine(line)) {
    const std::size_t slash = line.rfind('/');
    if (line.empty() || slash == std::string::npos) continue;
    const std::string candidate = line.substr(0, slash);
    if (hasIdentityFiles(candidate) && subsystemMatches(candidate, subsystemVendorId, subsystemDeviceId)) {
      device = candidate;
      return true;
    }
  }
  return false;
}

unsigned hexValue(const std::string& line) {
  return static_cast<unsigned>(std::strtol(line.c_str(), nullptr, 16));
}

std::string readIdentity(const std::string& device) {
  CommandStream identity(identityCommand(device));
  std::string vendor;
  std::string deviceId;
  if (!identity.readLine(vendor) || !identity.readLine(deviceId)) return "N/A";
  char text[32];
  (void)std::snprintf(text, sizeof text, "%.4x%.4x", hexValue(vendor), hexValue(deviceId));
  return text;
}

}  // namespace

std::string pciSearchCommand(HBA_UINT8 domain, HBA_UINT8 bus, HBA_UINT8 function) {
  return "find " + shellQuote(hostPath("/sys")) + " -name subsystem_vendor | grep -i -e '" +
         hex("%.4x", domain) + ":" + hex("%.2x", bus) + ":\\(\\w\\)*\\." + hex("%x", function) + "'";
}

std::string subsystemTestCommand(const std::string& directory, HBA_UINT16 subsystemVendorId,
                                 HBA_UINT16 subsystemDeviceId) {
  return "cat " + shellQuote(directory + "/subsystem_vendor") + " " +
         shellQuote(directory + "/subsystem_device") + " | grep -i -E '" + hex("%.4x", subsystemVendorId) +
         "|" + hex("%.4x", subsystemDeviceId) + "' | wc -l";
}

std::string identityCommand(const std::string& directory) {
  return "cat " + shellQuote(directory + "/vendor") + " " + shellQuote(directory + "/device");
}

std::string lookupPciIdentity(HBA_UINT8 domain, HBA_UINT8 bus, HBA_UINT8 function,
                              HBA_UINT16 subsystemVendorId, HBA_UINT16 subsystemDeviceId) {
  std::string device;
  if (!findDevice(domain, bus, function, subsystemVendorId, subsystemDeviceId, device)) return "N/A";
  return readIdentity(device);
}
