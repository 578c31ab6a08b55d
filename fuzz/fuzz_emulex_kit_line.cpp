// Arbitrary bytes as the Emulex kit's query output: every line through the
// kit line parser and, when it is an adapter line, into an inventory record.
// No crash, and what is taken from a line has the form the format gives.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "components/emulex/component.h"
#include "components/emulex/kit_inventory.h"
#include "components/emulex/kit_line.h"
#include "support/split_lines.h"
#include "support/wide_text.h"

namespace {

bool isWordCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

void checkIdentifier(const std::string& id) {
  if (id.empty() || id.size() > 4) std::abort();
  for (char c : id) {
    if (!isWordCharacter(c)) std::abort();
  }
  if (EmulexComp::CComponent::padId(id).size() != 4) std::abort();
}

void checkLine(const std::string& text, const EmulexComp::KitLine& line) {
  if (text.compare(0, 4, "HBA=") != 0) std::abort();
  if (line.model.empty() || line.firmware.empty() || line.bootCode.empty()) std::abort();
  for (const std::string* id : {&line.deviceId, &line.vendorId, &line.subsystemId, &line.subsystemVendorId}) {
    checkIdentifier(*id);
  }
  for (char c : line.bootCode) {
    if (!isWordCharacter(c) && c != '.') std::abort();
  }
}

// A catalogue entry with a boot BIOS version, so that both items are made.
ReferenceDevice catalogueEntry() {
  ReferenceDevice entry;
  entry.type = L"Fibre Channel HBA";
  entry.device_id = L"10df.f100.10df.f100";
  entry.model = L"LPe12002";
  entry.firmware = L"2.02a1";
  entry.bios = L"5.02a3";
  entry.duration = L"180";
  return entry;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ReferenceDevice entry = catalogueEntry();
  const std::string output(reinterpret_cast<const char*>(data), size);
  EmulexComp::KitLineParser parser;
  std::size_t bytes = 0;
  for (const std::string& text : splitLines(output)) {
    bytes += text.size() + 1;
    EmulexComp::KitLine line;
    if (!parser.parse(text, line)) continue;
    checkLine(text, line);
    const DiscoveredDevice device = EmulexComp::deviceForKitLine(line, toWide("10df.f100.10df.f100"), entry);
    if (device.fw_items.size() != 2) std::abort();
  }
  // The lines are the output, split at its line ends and nothing lost.
  if (bytes < size || bytes > size + 1) std::abort();
  return 0;
}
