// Laying out the simulated server: system root, libraries, sysfs, release files, working directory.
#include "testing/sandbox.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>

#include "components/registered_vendors.h"
#include "support/shell_quote.h"

namespace testsupport {
namespace {

struct VendorLayout {
  std::string nameWord;  // what the adapter name carries for the vendor to be chosen
  std::string confName;
  std::string libraryFile;  // the name pattern of the shared route, with .so
  std::string directPath;   // the first path of the direct route
};

const RegisteredVendor& registration(Vendor vendor) { return kRegisteredVendors[static_cast<int>(vendor)]; }

// The vendor extension chooses a management library by the adapter's name:
// "qlogic", then "Emulex", and any other name gets the Brocade library, so a
// vendor of its own is laid out under the Brocade names.
VendorLayout layoutOf(Vendor vendor) {
  const std::string word = registration(vendor).word;
  if (word == "qlogic") return {"qlogic", "com.qlogic", "libqlsdm.so", "/usr/lib/libqlsdm.so"};
  if (word == "emulex") return {"Emulex", "com.emulex", "libemsdm.so", "/usr/lib/libemsdm.so"};
  return {registration(vendor).name, "com." + word, "bfahbaapi.so", "/usr/lib/bfahbaapi.so"};
}

std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\x0a";
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::istringstream in(text);
  std::string part;
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

// "0000:05:00.1" into its domain, bus and function numbers.
void pciParts(const std::string& pci, unsigned& domain, unsigned& bus, unsigned& function) {
  domain = bus = function = 0;
  const std::vector<std::string> parts = split(pci, ':');
  if (parts.size() != 3) throw std::runtime_error("PCI location is not DDDD:BB:DD.F: " + pci);
  domain = std::stoul(parts[0], nullptr, 16);
  bus = std::stoul(parts[1], nullptr, 16);
  const std::size_t dot = parts[2].find('.');
  if (dot == std::string::npos) throw std::runtime_error("PCI location is not DDDD:BB:DD.F: " + pci);
  function = std::stoul(parts[2].substr(dot + 1), nullptr, 16);
}

std::vector<std::string> idParts(const std::string& id) {
  std::vector<std::string> parts = split(id, ':');
  if (parts.size() != 4) throw std::runtime_error("PCI identity is not VVVV:DDDD:SSSS:SSSS: " + id);
  return parts;
}

std::string nodeWwnOf(const SimAdapter& adapter, std::size_t index) {
  if (!adapter.nodeWwn.empty()) return adapter.nodeWwn;
  if (!adapter.ports.empty() && adapter.ports[0].wwn.size() > 2) return "20" + adapter.ports[0].wwn.substr(2);
  char wwn[32];
  (void)std::snprintf(wwn, sizeof wwn, "20:00:00:00:00:00:%02x:%02x",
                      static_cast<unsigned>(index >> 8) & 0xff, static_cast<unsigned>(index) & 0xff);
  return wwn;
}

void describePort(std::ostringstream& out, const SimPort& port) {
  out << "[port]\nwwn=" << port.wwn << "\nspeed=" << port.speed << "\nstate=" << port.state
      << "\ntype=" << port.type << "\n";
  if (!port.statistics.empty()) out << "stats=" << port.statistics << "\n";
  if (!port.fail.empty()) out << "fail=" << port.fail << "\n";
  out << port.extra;
}

void describeAdapter(std::ostringstream& out, const SimAdapter& a, std::size_t index) {
  unsigned domain, bus, function;
  pciParts(a.pci, domain, bus, function);
  const std::vector<std::string> id = idParts(a.id);
  out << "[adapter]\nname=" << escaped(a.name) << "\nmanufacturer=" << escaped(a.manufacturer)
      << "\nserial=" << escaped(a.serialNumber) << "\nmodel=" << escaped(a.model)
      << "\nmodel_description=" << escaped(a.model)
      << " Fibre Channel adapter\nnode_wwn=" << nodeWwnOf(a, index) << "\ndriver=" << escaped(a.driverVersion)
      << "\nfirmware=" << escaped(a.firmwareVersion) << "\noption_rom=" << escaped(a.optionRomVersion)
      << "\ndomain=" << domain << "\nbus=" << bus << "\nfunction=" << function << "\nsubsystem_vendor=0x"
      << id[2] << "\nsubsystem_device=0x" << id[3] << "\n";
  if (!a.fail.empty()) out << "fail=" << a.fail << "\n";
  out << a.extra;
  for (const SimPort& port : a.ports) describePort(out, port);
}

void copyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + from);
  std::ofstream out(to, std::ios::binary | std::ios::trunc);
  out << in.rdbuf();
  if (!out) throw std::runtime_error("cannot write " + to);
}

std::string directoryOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

void installCopy(const std::string& source, const std::string& path, const std::string& description) {
  makeDirs(directoryOf(path));
  copyFile(source, path);
  writeFile(path + ".sim", description);
}

// What hba.conf keeps of a path: the root must survive its character filter.
void requirePlainPath(const std::string& path) {
  for (char c : path) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       c == '_' || c == '-' || c == '.' || c == '/';
    if (!plain) throw std::runtime_error("the sandbox root must be a plain path: " + path);
  }
}

}  // namespace

std::vector<Vendor> allVendors() {
  std::vector<Vendor> vendors;
  for (std::size_t i = 0; i < std::size(kRegisteredVendors); ++i) vendors.push_back(static_cast<Vendor>(i));
  return vendors;
}

const char* vendorWord(Vendor vendor) { return registration(vendor).word; }

SimAdapter simAdapter(Vendor vendor, const std::string& pci, const std::string& id,
                      const std::vector<std::string>& portWwns) {
  SimAdapter adapter;
  adapter.vendor = vendor;
  adapter.pci = pci;
  adapter.id = id;
  if (vendor == Vendor::QLogic) adapter.manufacturer = "QLogic Corporation";
  if (vendor == Vendor::Emulex) {
    adapter.manufacturer = "Emulex Corporation";
    adapter.model = "LPe12002";
    adapter.driverVersion = "12.8.0.5";
    adapter.firmwareVersion = "2.02X11";
    adapter.optionRomVersion = "5.12a5";
  }
  if (vendor == Vendor::Brocade) {
    adapter.manufacturer = "Brocade";
    adapter.model = "825";
    adapter.driverVersion = "3.2.5.0";
    adapter.firmwareVersion = "3.2.5.0";
    adapter.optionRomVersion = "3.2.5.0";
  }
  for (const std::string& wwn : portWwns) {
    SimPort port;
    port.wwn = wwn;
    adapter.ports.push_back(port);
  }
  return adapter;
}

std::string simLibraryFile(const std::string& variant) {
  const std::string dir = FCUPDATE_SIMHBA_DIR;
  return dir + (variant.empty() ? "/libsimhba.so" : "/libsimhba_without_" + variant + ".so");
}

void installSimLibrary(const std::string& path, const std::string& description, const std::string& variant) {
  installCopy(simLibraryFile(variant), path, description);
}

std::vector<std::string> simCalls(const std::string& libraryPath) {
  return split(readFile(libraryPath + ".calls"), '\n');
}

std::string simDescription(const std::vector<SimAdapter>& adapters, const std::string& libraryLines) {
  std::ostringstream out;
  out << "[library]\n" << libraryLines;
  for (std::size_t i = 0; i < adapters.size(); ++i) describeAdapter(out, adapters[i], i);
  return out.str();
}

void writeSysfsFunction(const std::string& root, const std::string& pci, const std::string& id) {
  const std::vector<std::string> parts = idParts(id);
  const std::string below = "devices/pci" + pci.substr(0, pci.find(':')) + ":00/" + pci;
  const std::string dir = root + "/sys/" + below;
  makeDirs(dir);
  const char* files[] = {"vendor", "device", "subsystem_vendor", "subsystem_device"};
  for (int i = 0; i < 4; ++i) writeFile(dir + "/" + files[i], "0x" + parts[i] + "\n");
  writeFile(dir + "/class", "0x0c0400\n");
  // The bus's list of functions, relative links as the kernel makes them.
  makeDirs(root + "/sys/bus/pci/devices");
  const std::string link = root + "/sys/bus/pci/devices/" + pci;
  if (::symlink(("../../../" + below).c_str(), link.c_str()) != 0 && errno != EEXIST) {
    throw std::runtime_error("cannot link " + link);
  }
}

Sandbox::Sandbox() : ownedRoot_(new TempDir), ownedWork_(new TempDir) {
  root_ = ownedRoot_->path();
  work_ = ownedWork_->path();
}

Sandbox::Sandbox(const std::string& root, const std::string& work) : root_(root), work_(work) {}

void Sandbox::add(const SimAdapter& adapter) {
  SimAdapter named = adapter;
  if (named.name.empty()) {
    named.name =
        layoutOf(adapter.vendor).nameWord + "-" + adapter.model + "-" + std::to_string(adapters_.size());
  }
  adapters_.push_back(named);
}

void Sandbox::setRoute(Vendor vendor, Route route) { routes_[vendor] = route; }

void Sandbox::setLibraryOptions(Vendor vendor, const std::string& lines) { libraryOptions_[vendor] = lines; }

void Sandbox::setReference(const std::string& xml) { reference_ = xml; }

void Sandbox::setRelease(const std::string& file, const std::string& text) { releases_[file] = text; }

void Sandbox::setLibrarySource(const std::string& path) { librarySource_ = path; }

std::string Sandbox::registeredLibrary(Vendor vendor) const {
  auto route = routes_.find(vendor);
  if (route != routes_.end() && route->second == Route::Direct) {
    return root_ + "/opt/hbaapi/libhbaapi-" + vendorWord(vendor) + ".so";
  }
  return root_ + "/opt/" + vendorWord(vendor) + "/lib/" + layoutOf(vendor).libraryFile;
}

std::string Sandbox::vendorLibrary(Vendor vendor) const {
  auto route = routes_.find(vendor);
  if (route != routes_.end() && route->second == Route::Direct) return root_ + layoutOf(vendor).directPath;
  return registeredLibrary(vendor);
}

void Sandbox::writeLibraries(std::string& conf) const {
  for (Vendor vendor : allVendors()) {
    std::vector<SimAdapter> own;
    for (const SimAdapter& adapter : adapters_) {
      if (adapter.vendor == vendor) own.push_back(adapter);
    }
    if (own.empty()) continue;
    auto options = libraryOptions_.find(vendor);
    const std::string description =
        simDescription(own, options == libraryOptions_.end() ? "" : options->second);
    const std::string registered = registeredLibrary(vendor);
    const std::string source = librarySource_.empty() ? simLibraryFile() : librarySource_;
    installCopy(source, registered, description);
    if (vendorLibrary(vendor) != registered) installCopy(source, vendorLibrary(vendor), description);
    conf += layoutOf(vendor).confName + "\t" + registered + "\n";
  }
}

std::string Sandbox::defaultReference() const {
  std::ostringstream xml;
  xml << "<?xml version=\"1.0\"?>\n<maplu_fchba_reference>\n"
      << "  <discovery_app_path><![CDATA[./qlafwupdate]]></discovery_app_path>\n  <devices>\n";
  std::set<std::string> keys;
  for (const SimAdapter& adapter : adapters_) {
    std::string key = adapter.id;
    for (char& c : key) c = c == ':' ? '.' : c;
    if (!keys.insert(key).second) continue;
    xml << "    <device>\n      <type value=\"Fibre Channel\"/>\n      <device_id value=\"" << key
        << "\"/>\n      <model value=\"" << adapter.model << "\"/>\n      <firmware value=\""
        << adapter.firmwareVersion << "\"/>\n      <bios value=\"" << adapter.optionRomVersion
        << "\"/>\n      <boot value=\"" << adapter.optionRomVersion
        << "\"/>\n      <duration value=\"120\"/>\n    </device>\n";
  }
  xml << "  </devices>\n</maplu_fchba_reference>\n";
  return xml.str();
}

void Sandbox::build() {
  requirePlainPath(root_);
  makeDirs(root_ + "/etc");
  makeDirs(root_ + "/var");
  makeDirs(work_);
  // A package folder only its owner may write, whatever the umask: the
  // components refuse any other.
  struct stat work {};
  if (stat(work_.c_str(), &work) == 0) (void)chmod(work_.c_str(), work.st_mode & 07755);
  std::string conf = "# HBA API libraries of the simulated server\n";
  writeLibraries(conf);
  writeFile(root_ + "/etc/hba.conf", conf);
  for (const SimAdapter& adapter : adapters_) {
    if (adapter.inSysfs) writeSysfsFunction(root_, adapter.pci, adapter.id);
  }
  if (releases_.empty()) {
    writeFile(root_ + "/etc/redhat-release", "Red Hat Enterprise Linux Server release 7.9 (Maipo)\n");
  }
  for (const auto& release : releases_) {
    makeDirs(directoryOf(root_ + "/" + release.first));
    writeFile(root_ + "/" + release.first, release.second);
  }
  writeFile(work_ + "/reference.xml", reference_.empty() ? defaultReference() : reference_);
}

RunResult Sandbox::run(const std::string& executable, const std::string& arguments) const {
  return runIn(work_, "FCUPDATE_ROOT=" + shellQuote(root_) + " " + shellQuote(binDir() + "/" + executable) +
                          " " + arguments);
}

}  // namespace testsupport
