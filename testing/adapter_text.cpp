// Parsing the command-line form of a simulated adapter.
#include "testing/adapter_text.h"

#include <map>
#include <sstream>

namespace testsupport {
namespace {

struct Pair {
  std::string key;
  std::string value;
};

}  // namespace

bool vendorNamed(const std::string& word, Vendor& vendor) {
  for (Vendor candidate : allVendors()) {
    if (word == vendorWord(candidate)) {
      vendor = candidate;
      return true;
    }
  }
  return false;
}

bool parseAdapterText(const std::string& text, SimAdapter& adapter, std::string& error) {
  std::vector<Pair> pairs;
  std::istringstream in(text);
  std::string item;
  while (std::getline(in, item, ',')) {
    const std::size_t equals = item.find('=');
    if (equals == std::string::npos) {
      error = "not key=value: " + item;
      return false;
    }
    pairs.push_back({item.substr(0, equals), item.substr(equals + 1)});
  }
  Vendor vendor = Vendor::QLogic;
  for (const Pair& pair : pairs) {
    if (pair.key == "vendor" && !vendorNamed(pair.value, vendor)) {
      error = "unknown vendor: " + pair.value;
      return false;
    }
  }
  // The vendor comes first so that its defaults are there to be overridden.
  adapter = simAdapter(vendor, adapter.pci, adapter.id, {});
  const std::map<std::string, std::string SimAdapter::*> texts = {
      {"name", &SimAdapter::name},
      {"pci", &SimAdapter::pci},
      {"id", &SimAdapter::id},
      {"wwnn", &SimAdapter::nodeWwn},
      {"model", &SimAdapter::model},
      {"serial", &SimAdapter::serialNumber},
      {"driver", &SimAdapter::driverVersion},
      {"firmware", &SimAdapter::firmwareVersion},
      {"optionrom", &SimAdapter::optionRomVersion}};
  for (const Pair& pair : pairs) {
    auto text = texts.find(pair.key);
    if (text != texts.end()) {
      adapter.*(text->second) = pair.value;
    } else if (pair.key == "wwpn") {
      adapter.ports.push_back(SimPort{});
      adapter.ports.back().wwn = pair.value;
    } else if (pair.key == "fail") {
      adapter.fail = pair.value;
      for (char& c : adapter.fail) c = c == '+' ? ',' : c;
    } else if (pair.key != "vendor") {
      error = "unknown key: " + pair.key;
      return false;
    }
  }
  return true;
}

}  // namespace testsupport
