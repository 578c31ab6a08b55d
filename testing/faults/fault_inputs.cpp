// Making the large and hostile inputs of the fault cases.
#include "testing/faults/fault_inputs.h"

#include <cstdio>

namespace faults {

std::string paddedCatalogue(const std::string& catalogue, std::size_t bytes) {
  const std::string open = "<devices>\n";
  const std::size_t at = catalogue.find(open);
  if (at == std::string::npos) return catalogue;
  std::string padded = catalogue.substr(0, at + open.size());
  padded.reserve(bytes + catalogue.size());
  char entry[512];
  for (unsigned i = 0; padded.size() < bytes; ++i) {
    const int n = std::snprintf(entry, sizeof entry,
                                "    <device>\n      <type value=\"Fibre Channel\"/>\n"
                                "      <device_id value=\"1077.%04x.1077.%04x\"/>\n"
                                "      <model value=\"QLE%06u\"/>\n      <firmware value=\"8.03.00\"/>\n"
                                "      <bios value=\"3.00\"/>\n      <boot value=\"3.00\"/>\n"
                                "      <duration value=\"120\"/>\n    </device>\n",
                                (i >> 16) | 0x8000, i & 0xffff, i);
    padded.append(entry, static_cast<std::size_t>(n));
  }
  return padded + catalogue.substr(at + open.size());
}

std::string entityBombCatalogue() {
  std::string doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE maplu_fchba_reference [\n  <!ENTITY e0 \"lol\">\n";
  for (int level = 1; level <= 9; ++level) {
    doc += "  <!ENTITY e" + std::to_string(level) + " \"";
    for (int i = 0; i < 10; ++i) doc += "&e" + std::to_string(level - 1) + ";";
    doc += "\">\n";
  }
  return doc +
         "]>\n<maplu_fchba_reference><devices><device><type value=\"&e9;\"/>"
         "<device_id value=\"1077.2532.1077.015d\"/><model value=\"&e9;\"/><boot value=\"3.10\"/>"
         "</device></devices><note>&e9;</note></maplu_fchba_reference>\n";
}

std::string repeated(const std::string& text, std::size_t bytes) {
  std::string out;
  out.reserve(bytes + text.size());
  while (out.size() < bytes) out += text;
  return out;
}

std::string chatterThen(const std::string& tail, std::size_t bytes) {
  return repeated("Scanning option ROM regions, please wait ... 12% complete, no errors so far\n", bytes) +
         tail;
}

std::string binaryGarbage(std::size_t bytes, unsigned seed) {
  std::string out(bytes, '\0');
  unsigned state = seed * 2654435761u + 1;
  for (char& c : out) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    c = static_cast<char>(state >> 24);
  }
  return out;
}

std::string withoutLineEnds(const std::string& text, std::size_t bytes) {
  std::string out = repeated(text, bytes);
  for (char& c : out) {
    if (c == '\n') c = ' ';
  }
  return out;
}

}  // namespace faults
