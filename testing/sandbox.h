// A simulated server for tests and the demonstration: a system root with
// simulated vendor libraries, sysfs and release files, and a working directory.
//
// Describe the adapters, then build:
//
//   testsupport::Sandbox box;
//   box.add(testsupport::simAdapter(Vendor::QLogic, "0000:05:00.0", "1077:2532:1077:015d",
//                                   {"21:00:00:1b:32:0a:0b:0c"}));
//   box.add(testsupport::simAdapter(Vendor::Emulex, "0000:07:00.1", "10df:f100:10df:f100",
//                                   {"10:00:00:00:c9:01:02:03"}));
//   box.build();
//   testsupport::RunResult r = box.run("fcupdate", "/d report.xml");
//
// build() lays out below root():
//   etc/hba.conf                one line per vendor with adapters, naming that
//                               vendor's copy of the simulated library
//   opt/<vendor>/lib/<lib>.so   the copy of the shared route (<lib> is libqlsdm,
//                               libemsdm or bfahbaapi: the vendor extension
//                               gives every vendor but QLogic and Emulex the
//                               Brocade names), with <lib>.so.sim, the
//                               description of its adapters; each call the
//                               library gets is appended to <lib>.so.calls
//   opt/hbaapi/libhbaapi-<vendor>.so and usr/lib/<lib>.so
//                               instead, for a vendor on the direct route: the
//                               HBA API copy under a neutral path and the
//                               vendor's own copy where the direct load finds it
//   sys/devices/pci<DDDD>:00/<DDDD:BB:DD.F>/{vendor,device,subsystem_vendor,
//                               subsystem_device}, "0x%04x\n" each, and class
//                               "0x0c0400\n" (a Fibre Channel function)
//   sys/bus/pci/devices/<DDDD:BB:DD.F>
//                               a relative link to that folder, as the bus
//                               lists its functions
//   etc/redhat-release          (setRelease changes or adds release files)
//   var/
// and in work(): reference.xml, one catalogue entry per adapter key with the
// adapter's model and versions unless setReference gave the catalogue.
//
// run() starts an executable of the build (binDir()) in work() with
// FCUPDATE_ROOT set to root(). The root must be a path that hba.conf's
// character filter keeps (A-Z a-z 0-9 _ - . /).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "testing/registered_vendor.h"
#include "testing/test_support.h"

namespace testsupport {

enum class Route { Shared, Direct };

struct SimPort {
  std::string wwn;
  unsigned speed = 0x8;    // HBA API speed bits
  unsigned state = 2;      // online
  unsigned type = 5;       // N_Port
  std::string statistics;  // up to 15 comma-separated counters
  std::string fail;        // "attributes", "statistics" (comma-separated)
  std::string extra;       // further description lines for the port
};

struct SimAdapter {
  Vendor vendor = Vendor::QLogic;
  std::string name;  // empty: "qlogic-<model>-<n>", "Emulex-<model>-<n>" or "<Name>-<model>-<n>"
  std::string pci = "0000:05:00.0";        // domain:bus:device.function
  std::string id = "1077:2532:1077:015d";  // vendor:device:subsystem vendor:subsystem device
  std::string nodeWwn;                     // empty: the first port's WWN with 20:00 in front
  std::string manufacturer = "Simulated";
  std::string serialNumber = "SIM0001";
  std::string model = "QLE2562";
  std::string driverVersion = "8.07.00.26";
  std::string firmwareVersion = "8.03.00";
  std::string optionRomVersion = "3.00";
  std::vector<SimPort> ports;
  std::string fail;     // name, open, attributes, attributes2, vlxfc_name, vlxfc_open
  bool inSysfs = true;  // lay out its PCI function in sysfs
  std::string extra;    // further description lines for the adapter
};

// An adapter with the vendor's usual model texts and one port per WWN.
SimAdapter simAdapter(Vendor vendor, const std::string& pci, const std::string& id,
                      const std::vector<std::string>& portWwns);

// Every registered vendor, in the order of components/vendors.txt.
std::vector<Vendor> allVendors();
const char* vendorWord(Vendor vendor);  // "qlogic", "emulex", "brocade": its word in the registration

// The built simulated library, or a variant built without one entry point
// (variant "HBA_RegisterLibrary", "VLXFC_GetAdapterAttributes2",
// "VLXFC_OpenAdapter" or "VLXFC_FreeLibrary").
std::string simLibraryFile(const std::string& variant = "");
// Copies a simulated library to path (a real copy, so the loader treats it as
// a library of its own) with the description text in path + ".sim".
void installSimLibrary(const std::string& path, const std::string& description,
                       const std::string& variant = "");
// The calls a library copy has received, one per line.
std::vector<std::string> simCalls(const std::string& libraryPath);
// The description file text for adapters; libraryLines go to [library].
std::string simDescription(const std::vector<SimAdapter>& adapters, const std::string& libraryLines = "");
// One PCI function directory below root/sys with the four identity files and
// its class, listed by the bus.
void writeSysfsFunction(const std::string& root, const std::string& pci, const std::string& id);

class Sandbox {
 public:
  Sandbox();  // in two fresh scratch directories, removed at the end
  Sandbox(const std::string& root, const std::string& work);  // in given directories, kept
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  void add(const SimAdapter& adapter);
  void setRoute(Vendor vendor, Route route);
  void setLibraryOptions(Vendor vendor, const std::string& lines);  // [library] lines of its description
  void setReference(const std::string& xml);
  void setRelease(const std::string& file, const std::string& text);  // e.g. "etc/SuSE-release"
  void setLibrarySource(const std::string& path);                     // the simulated library to copy
  void build();

  const std::string& root() const { return root_; }
  const std::string& work() const { return work_; }
  const std::vector<SimAdapter>& adapters() const { return adapters_; }
  // The copy registered in hba.conf for the vendor, and the copy the direct
  // route loads (the same file on the shared route).
  std::string registeredLibrary(Vendor vendor) const;
  std::string vendorLibrary(Vendor vendor) const;
  RunResult run(const std::string& executable, const std::string& arguments) const;

 private:
  void writeLibraries(std::string& conf) const;
  std::string defaultReference() const;

  std::unique_ptr<TempDir> ownedRoot_;
  std::unique_ptr<TempDir> ownedWork_;
  std::string root_;
  std::string work_;
  std::vector<SimAdapter> adapters_;
  std::map<Vendor, Route> routes_;
  std::map<Vendor, std::string> libraryOptions_;
  std::map<std::string, std::string> releases_;
  std::string reference_;
  std::string librarySource_;
};

}  // namespace testsupport
