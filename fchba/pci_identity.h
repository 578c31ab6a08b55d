// Finding an adapter's PCI function in sysfs from its location and subsystem
// identifiers, for its PCI vendor and device identifiers.
#pragma once

#include <string>

#include "fchba/hbaapi_types.h"
#include "support/command_runner.h"

struct PciIdentity {
  // The vendor and device identifiers as "%.4x%.4x", or "N/A" when no
  // device was found or its identifiers could not be read.
  std::string text;
  std::string device;   // the sysfs directory accepted; empty when none was
  std::string problem;  // why the text is "N/A"; empty when it is not
};

// The lookup; every command it runs is added to commands as it ends.
PciIdentity lookupPciIdentity(HBA_UINT8 domain, HBA_UINT8 bus, HBA_UINT8 function,
                              HBA_UINT16 subsystemVendorId, HBA_UINT16 subsystemDeviceId,
                              CommandRecords& commands);

// The three commands the lookup runs; the sysfs root and the candidate
// directories are quoted for the shell.
std::string pciSearchCommand(HBA_UINT8 domain, HBA_UINT8 bus, HBA_UINT8 function);
std::string subsystemTestCommand(const std::string& directory, HBA_UINT16 subsystemVendorId,
                                 HBA_UINT16 subsystemDeviceId);
std::string identityCommand(const std::string& directory);
