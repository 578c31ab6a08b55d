// Reading the simulated library's description file.
#include "testing/simhba/sim_description.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace simhba {
namespace {

std::string unescape(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    if (next == 't') {
      out += '\t';
    } else if (next == 'r') {
      out += '\r';
    } else if (next == 'x' && i + 2 < text.size()) {
      out += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      out += next;
    }
  }
  return out;
}

HBA_UINT32 number(const std::string& text) {
  return static_cast<HBA_UINT32>(std::strtoull(text.c_str(), nullptr, 0));
}

HBA_WWN wwn(const std::string& text) {
  HBA_WWN value{};
  std::istringstream in(text);
  std::string byte;
  for (int i = 0; i < 8 && std::getline(in, byte, ':'); ++i) {
    value.wwn[i] = static_cast<HBA_UINT8>(std::strtoul(byte.c_str(), nullptr, 16));
  }
  return value;
}

std::set<std::string> words(const std::string& text) {
  std::set<std::string> set;
  std::istringstream in(text);
  std::string word;
  while (std::getline(in, word, ',')) {
    if (!word.empty()) set.insert(word);
  }
  return set;
}

void setLibrary(Description& d, const std::string& key, const std::string& value) {
  if (key == "register") d.registerStatus = number(value);
  if (key == "version") d.version = number(value);
  if (key == "load") d.loadStatus = number(value);
  if (key == "vlxfc_load") d.vlxfcLoadStatus = number(value);
  if (key == "count") {
    d.hasCount = true;
    d.count = number(value);
  }
  if (key == "null") d.nullEntries = words(value);
}

void setAdapterText(Adapter& a, const std::string& key, const std::string& value) {
  if (key == "name") a.name = value;
  if (key == "manufacturer") a.manufacturer = value;
  if (key == "serial") a.serial = value;
  if (key == "model") a.model = value;
  if (key == "model_description") a.modelDescription = value;
  if (key == "node_symbolic_name") a.nodeSymbolicName = value;
  if (key == "hardware") a.hardware = value;
  if (key == "driver") a.driver = value;
  if (key == "option_rom") a.optionRom = value;
  if (key == "firmware") a.firmware = value;
  if (key == "driver_name") a.driverName = value;
}

void setAdapter(Adapter& a, const std::string& key, const std::string& value) {
  setAdapterText(a, key, value);
  if (key == "node_wwn") a.nodeWwn = wwn(value);
  if (key == "ext_node_wwn") {
    a.extNodeWwn = wwn(value);
    a.hasExtNodeWwn = true;
  }
  if (key == "vendor_specific_id") a.vendorSpecificId = number(value);
  if (key == "ports") {
    a.hasPortCount = true;
    a.portCount = number(value);
  }
  if (key == "domain") a.domain = static_cast<HBA_UINT8>(number(value));
  if (key == "bus") a.bus = static_cast<HBA_UINT8>(number(value));
  if (key == "function") a.function = static_cast<HBA_UINT8>(number(value));
  if (key == "subsystem_vendor") a.subsystemVendor = static_cast<HBA_UINT16>(number(value));
  if (key == "subsystem_device") a.subsystemDevice = static_cast<HBA_UINT16>(number(value));
  if (key == "fail") a.fail = words(value);
}

void setPort(Port& p, const std::string& key, const std::string& value) {
  if (key == "wwn") p.wwn = wwn(value);
  if (key == "fabric") p.fabric = wwn(value);
  if (key == "fc_id") p.fcId = number(value);
  if (key == "type") p.type = number(value);
  if (key == "state") p.state = number(value);
  if (key == "speed") p.speed = number(value);
  if (key == "supported_speed") p.supportedSpeed = number(value);
  if (key == "max_frame") p.maxFrame = number(value);
  if (key == "symbolic_name") p.symbolicName = value;
  if (key == "os_device") p.osDevice = value;
  if (key == "fail") p.fail = words(value);
  if (key == "stats") {
    std::istringstream in(value);
    std::string counter;
    for (int i = 0; i < 15 && std::getline(in, counter, ','); ++i)
      p.stats[i] = std::strtoll(counter.c_str(), nullptr, 0);
  }
}

struct Parsed {
  Description description;
  std::vector<HBA_UINT32> copies;  // per adapter, expanded at the end
};

void expandCopies(Parsed& parsed) {
  std::vector<Adapter> expanded;
  for (std::size_t i = 0; i < parsed.description.adapters.size(); ++i) {
    const Adapter& adapter = parsed.description.adapters[i];
    if (parsed.copies[i] == 1) {
      expanded.push_back(adapter);
      continue;
    }
    for (HBA_UINT32 n = 0; n < parsed.copies[i]; ++n) {
      expanded.push_back(adapter);
      expanded.back().name += "-" + std::to_string(n);
      expanded.back().nodeWwn.wwn[6] = static_cast<HBA_UINT8>(n >> 8);
      expanded.back().nodeWwn.wwn[7] = static_cast<HBA_UINT8>(n);
    }
  }
  parsed.description.adapters.swap(expanded);
}

}  // namespace

Description readDescription(const std::string& path) {
  Parsed parsed;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  std::string section;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '[') {
      section = line.substr(1, line.find(']') - 1);
      if (section == "adapter") {
        parsed.description.adapters.emplace_back();
        parsed.copies.push_back(1);
      }
      if (section == "port" && !parsed.description.adapters.empty()) {
        parsed.description.adapters.back().ports.emplace_back();
      }
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = unescape(line.substr(equals + 1));
    Description& d = parsed.description;
    if (section == "library") setLibrary(d, key, value);
    if (section == "adapter" && !d.adapters.empty()) {
      if (key == "copies") parsed.copies.back() = number(value);
      setAdapter(d.adapters.back(), key, value);
    }
    if (section == "port" && !d.adapters.empty() && !d.adapters.back().ports.empty()) {
      setPort(d.adapters.back().ports.back(), key, value);
    }
  }
  expandCopies(parsed);
  return parsed.description;
}

}  // namespace simhba
