// What a copy of the simulated vendor library reports, read from the
// description file next to it (<library>.sim).
//
// The file is a list of "key=value" lines in sections; "#" starts a comment
// line. Values are taken verbatim up to the line end, with the escapes \\,
// \t, \r and \xHH. A text longer than its record field fills the whole field
// without a terminating NUL.
//
//   [library]   register=STATUS version=N load=STATUS vlxfc_load=STATUS
//               count=N (the adapter count both lists report, whatever the
//               adapters) null=Handler,... (entries left null in the table)
//   [adapter]   name= copies=N (N adapters, names suffixed -0, -1, ..., the
//               last two node WWN bytes replaced by the copy's number)
//               manufacturer= serial= model= model_description= node_wwn=
//               node_symbolic_name= hardware= driver= option_rom= firmware=
//               driver_name= vendor_specific_id= ports=N (NumberOfPorts;
//               default: the [port] sections) domain= bus= function=
//               subsystem_vendor= subsystem_device= ext_node_wwn= (the node
//               WWN of the extension record; default node_wwn)
//               fail=name,open,attributes,attributes2,vlxfc_name,vlxfc_open
//   [port]      (belongs to the adapter above) wwn= fabric= fc_id= type=
//               state= speed= supported_speed= max_frame= symbolic_name=
//               os_device= stats=15 comma-separated counters
//               fail=attributes,statistics
// Numbers are decimal or 0x hexadecimal; WWNs are eight hex bytes with colons.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "fchba/hbaapi_types.h"

namespace simhba {

struct Port {
  HBA_WWN wwn{};
  HBA_WWN fabric{};
  HBA_UINT32 fcId = 0x010200;
  HBA_UINT32 type = 5;
  HBA_UINT32 state = 2;
  HBA_UINT32 speed = 0x8;
  HBA_UINT32 supportedSpeed = 0x1a;
  HBA_UINT32 maxFrame = 2048;
  std::string symbolicName;
  std::string osDevice;
  HBA_INT64 stats[15] = {};
  std::set<std::string> fail;
};

struct Adapter {
  std::string name;
  std::string manufacturer;
  std::string serial;
  std::string model;
  std::string modelDescription;
  HBA_WWN nodeWwn{};
  HBA_WWN extNodeWwn{};
  bool hasExtNodeWwn = false;
  std::string nodeSymbolicName;
  std::string hardware;
  std::string driver;
  std::string optionRom;
  std::string firmware;
  std::string driverName;
  HBA_UINT32 vendorSpecificId = 0;
  bool hasPortCount = false;
  HBA_UINT32 portCount = 0;
  HBA_UINT8 domain = 0;
  HBA_UINT8 bus = 0;
  HBA_UINT8 function = 0;
  HBA_UINT16 subsystemVendor = 0;
  HBA_UINT16 subsystemDevice = 0;
  std::vector<Port> ports;
  std::set<std::string> fail;
};

struct Description {
  HBA_STATUS registerStatus = 0;
  HBA_UINT32 version = 1;
  HBA_STATUS loadStatus = 0;
  HBA_STATUS vlxfcLoadStatus = 0;
  bool hasCount = false;
  HBA_UINT32 count = 0;
  std::set<std::string> nullEntries;
  std::vector<Adapter> adapters;  // copies already expanded

  HBA_UINT32 adapterCount() const { return hasCount ? count : static_cast<HBA_UINT32>(adapters.size()); }
};

// A missing or unreadable file describes a library without adapters.
Description readDescription(const std::string& path);

}  // namespace simhba
