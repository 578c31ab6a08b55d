// One adapter line of the Emulex kit's query output ("/q /sysfs"), taken
// apart into the seven fields that discovery uses.
#pragma once

#include <memory>
#include <string>

#include "regex/pattern.h"

namespace EmulexComp {

struct KitLine {
  std::string model;              // "HBA="
  std::string deviceId;           // "PCI ID="
  std::string vendorId;           // "VID="
  std::string subsystemId;        // "SSID="
  std::string subsystemVendorId;  // "SVID="
  std::string firmware;           // "Firmware="
  std::string bootCode;           // "Boot Code="
};

// Matches whole lines against the kit's line format; the pattern is compiled
// once for all the lines of one query.
class KitLineParser {
 public:
  KitLineParser();
  // False when the line is not an adapter line.
  bool parse(const std::string& line, KitLine& out);

 private:
  std::unique_ptr<Pattern> pattern_;
};

}  // namespace EmulexComp
