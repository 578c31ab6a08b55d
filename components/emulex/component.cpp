// The Emulex rules: discovery through the kit's query, the catalogue key of a kit line, the kit's flash.
#include "components/emulex/component.h"

#include "components/emulex/flash_outcome.h"
#include "components/emulex/kit_inventory.h"
#include "components/emulex/kit_line.h"
#include "framework/vendor_tool.h"
#include "support/command_runner.h"
#include "support/split_lines.h"
#include "support/wide_text.h"

namespace EmulexComp {

namespace {

// The kit's directory carries its version; the shell expands the glob.
const char kKitScript[] = "./elxflashStandalone*/lx/elxflash.sh";

// A server holds a handful of adapters; a query that reports more is garbage,
// and recording all of it would grow the inventory and the report without
// bound. The same limit as the HBA API adapter table.
constexpr std::size_t kMaxKitAdapters = 256;

// The catalogue key: vendor, device, subsystem vendor, subsystem device, in
// the case in which the kit printed them.
std::string kitKey(const KitLine& line) {
  return CComponent::padId(line.vendorId) + "." + CComponent::padId(line.deviceId) + "." +
         CComponent::padId(line.subsystemVendorId) + "." + CComponent::padId(line.subsystemId);
}

}  // namespace

bool CComponent::prepareKit() {
  log.write("Preparing the Emulex Kit...");
  (void)runCommand("unzip -o elxflashStandalone*.zip");
  log.write("done\n");
  makeExecutable(kKitScript);
  return false;
}

bool CComponent::discover() {
  if (prepareKit()) return false;
  const std::string output = runCommand(std::string(kKitScript) + " /q /sysfs");
  KitLineParser parser;
  for (const std::string& text : splitLines(output)) {
    if (report.devices.size() >= kMaxKitAdapters) break;
    KitLine line;
    if (!parser.parse(text, line)) continue;
    const std::wstring key = toWide(kitKey(line));
    const ReferenceDevice* entry = catalogueEntry(key);
    if (entry == nullptr) continue;
    report.devices.push_back(deviceForKitLine(line, key, *entry));
  }
  return true;
}

std::wstring CComponent::cleanVersionText(const std::wstring& text) {
  return text.substr(0, text.find(L' '));
}

int CComponent::flash() {
  // " /sysfs " and " /f " (or " /update ") joined: two spaces before the mode.
  const FlashEngine kit{kKitScript, std::string(" /sysfs ") + (force ? " /f" : " /update")};
  // The script was made executable when the kit was unpacked.
  return reportFlashOutcome(
      log, runFlashEngine(log, kit, LoggedCommand::WithLogRedirections, ToolPreparation::AlreadyExecutable));
}

std::string CComponent::padId(const std::string& text) {
  if (text.size() >= 4) return text;
  return std::string(4 - text.size(), '0') + text;
}

}  // namespace EmulexComp
