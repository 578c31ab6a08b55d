// The sysfs search for an adapter's PCI function and the reading of its identifiers.
#include "fchba/pci_identity.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "support/command_runner.h"
#include "support/command_stream.h"
#include "support/shell_quote.h"
#include "support/system_root.h"

namespace {

// A sysfs attribute is one page at most; a path is at most PATH_MAX. Past
// these nothing real is being read, only a device or a runaway command.
constexpr std::size_t kAttributeBound = 4096;
constexpr std::size_t kPathBound = 4096;

std::string hex(const char* format, unsigned value) {
  char text[16];
  (void)std::snprintf(text, sizeof text, format, value);
  return text;
}

// sysfs attributes are regular files; a device or FIFO in the place of one
// would feed the shell commands that read it without end.
bool isAttribute(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool hasIdentityFiles(const std::string& directory) {
  return isAttribute(directory + "/subsystem_device") && isAttribute(directory + "/vendor") &&
         isAttribute(directory + "/device") && isAttribute(directory + "/subsystem_vendor");
}

// Each of the directory's two subsystem files must hold one of the two
// identifiers: the matching lines are counted.
bool subsystemMatches(const std::string& directory, HBA_UINT16 subsystemVendorId,
                      HBA_UINT16 subsystemDeviceId, CommandRecords& commands) {
  CommandStream test(subsystemTestCommand(directory, subsystemVendorId, subsystemDeviceId), kAttributeBound,
                     kAttributeBound);
  std::string count;
  const bool matches = test.readLine(count) && std::atoi(count.c_str()) == 2;
  commands.add(test.finish());
  return matches;
}

// The first accepted candidate in find's order, or why there is none.
bool findDevice(HBA_UINT8 domain, HBA_UINT8 bus, HBA_UINT8 function, HBA_UINT16 subsystemVendorId,
                HBA_UINT16 subsystemDeviceId, CommandRecords& commands, PciIdentity& found) {
  CommandStream search(pciSearchCommand(domain, bus, function), kPathBound, kToolOutputBound);
  std::string line;
  while (found.device.empty() && search.readLine(line)) {
    const std::size_t slash = line.rfind('/');
    if (line.empty() || slash == std::string::npos) continue;
    const std::string candidate = line.substr(0, slash);
    if (hasIdentityFiles(candidate) &&
        subsystemMatches(candidate, subsystemVendorId, subsystemDeviceId, commands)) {
      found.device = candidate;
    }
  }
  const CommandRecord record = search.finish();
  commands.add(record);
  if (!found.device.empty()) return true;
  if (!record.started) {
    found.problem = "the sysfs search could not be started";
    return false;
  }
  found.problem = "no PCI function in sysfs at " + hex("%.4x", domain) + ":" + hex("%.2x", bus) + ":*." +
                  hex("%x", function) + " with subsystem " + hex("%.4x", subsystemVendorId) + ":" +
                  hex("%.4x", subsystemDeviceId);
  if (record.cutAtBound) found.problem += " (the search was cut at its bound)";
  return false;
}

unsigned hexValue(const std::string& line) {
  return static_cast<unsigned>(std::strtol(line.c_str(), nullptr, 16));
}

void readIdentity(CommandRecords& commands, PciIdentity& found) {
  // Two attributes, each with its line end.
  CommandStream identity(identityCommand(found.device), kAttributeBound, 2 * (kAttributeBound + 1));
  std::string vendor;
  std::string deviceId;
  const bool read = identity.readLine(vendor) && identity.readLine(deviceId);
  const CommandRecord record = identity.finish();
  commands.add(record);
  if (!read) {
    found.problem = "the identity files of " + found.device + " could not be read";
    if (!record.started) found.problem += ": cat could not be started";
    return;
  }
  char text[32];
  (void)std::snprintf(text, sizeof text, "%.4x%.4x", hexValue(vendor), hexValue(deviceId));
  found.text = text;
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

PciIdentity lookupPciIdentity(HBA_UINT8 domain, HBA_UINT8 bus, HBA_UINT8 function,
                              HBA_UINT16 subsystemVendorId, HBA_UINT16 subsystemDeviceId,
                              CommandRecords& commands) {
  PciIdentity found;
  found.text = "N/A";
  if (findDevice(domain, bus, function, subsystemVendorId, subsystemDeviceId, commands, found)) {
    readIdentity(commands, found);
  }
  return found;
}
