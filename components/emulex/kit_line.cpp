// The kit line pattern and the parser that takes a line apart into its seven fields.
#include "components/emulex/kit_line.h"

#include <vector>

namespace EmulexComp {

namespace {

// DOT_ALL lets the final ".*" absorb a carriage return at the line end.
const char kLinePattern[] =
    "HBA=(.+),.*PCI ID=(\\w{1,4}),.*VID=(\\w{1,4}),.*SSID=(\\w{1,4}),.*SVID=(\\w{1,4}),"
    ".*Firmware=(.+),.*Boot Code=([\\w\\.]+).*";

}  // namespace

KitLineParser::KitLineParser() : pattern_(Pattern::create(kLinePattern, Pattern::DOT_ALL)) {}

bool KitLineParser::parse(const std::string& line, KitLine& out) {
  if (pattern_ == nullptr) return false;
  std::unique_ptr<PatternMatcher> matcher = pattern_->newMatcher(line);
  if (matcher == nullptr || !matcher->matchWhole()) return false;
  const std::vector<std::string> groups = matcher->groupTexts(false);
  if (groups.size() < 7) return false;
  out = KitLine{groups[0], groups[1], groups[2], groups[3], groups[4], groups[5], groups[6]};
  return true;
}

}  // namespace EmulexComp
