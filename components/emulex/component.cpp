// The Emulex rules: discovery through the kit's query, the catalogue key of a kit line, the kit's flash.
#include "components/emulex/component.h"

#include <vector>

#include "components/emulex/flash_outcome.h"
#include "components/emulex/kit_inventory.h"
#include "components/emulex/kit_line.h"
#include "components/emulex/kit_unpack.h"
#include "framework/vendor_tool.h"
#include "support/command_runner.h"
#include "support/path_glob.h"
#include "support/split_lines.h"
#include "support/wide_text.h"

namespace EmulexComp {

namespace {

// The kit's directory carries its version; the shell expands the glob.
const char kKitArchive[] = "elxflashStandalone*.zip";
const char kKitScript[] = "./elxflashStandalone*/lx/elxflash.sh";

// Lines the pattern gave up on that are logged one by one; past these, only
// their number, so that a kit printing millions of them cannot fill the log.
constexpr int kLoggedGiveUps = 10;
constexpr std::size_t kShownBytes = 200;

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

// What the run keeps of an adapter line, catalogued or not: the kit names
// no library, location or WWN.
AdapterFacts kitAdapterFacts(const KitLine& line, unsigned index) {
  AdapterFacts facts;
  facts.index = index;
  facts.model = line.model;
  facts.pciId = CComponent::padId(line.vendorId) + CComponent::padId(line.deviceId);
  facts.subsystemId = CComponent::padId(line.subsystemVendorId) + CComponent::padId(line.subsystemId);
  facts.firmwareVersion = line.firmware;
  facts.optionRomVersion = line.bootCode;
  facts.key = kitKey(line);
  return facts;
}

}  // namespace

bool CComponent::prepareKit() {
  log.write("Preparing the Emulex Kit...");
  const std::string refusal = unpackKit({kKitArchive, kKitScript}, facts.commands);
  if (!refusal.empty()) {
    log.write("FAILED!\n");
    log.write(refusal);
    facts.toolRefusal = refusal;
    facts.kitRefused = true;
    return true;
  }
  log.write("done\n");
  makeExecutable(kKitScript);
  return false;
}

bool CComponent::discover() {
  if (prepareKit()) return false;
  const std::string command = std::string(kKitScript) + " /q /sysfs";
  // A query that never started parses as one that printed nothing.
  const CommandResult query = runCaptured(command);
  facts.commands.add(commandRecord(command, query));
  const std::string& output = query.output;
  KitLineParser parser;
  int gaveUp = 0;
  for (const std::string& text : splitLines(output)) {
    if (report.devices.size() >= kMaxKitAdapters) break;
    KitLine line;
    if (!parser.parse(text, line)) {
      if (parser.gaveUp() && ++gaveUp <= kLoggedGiveUps) logGaveUp(text);
      continue;
    }
    std::vector<AdapterFacts>& seen = facts.discovery.adapters;
    if (seen.size() < kMaxKitAdapters)
      seen.push_back(kitAdapterFacts(line, static_cast<unsigned>(seen.size())));
    const std::wstring key = toWide(kitKey(line));
    const ReferenceDevice* entry = catalogueEntry(key);
    if (entry == nullptr) continue;
    report.devices.push_back(deviceForKitLine(line, key, *entry));
  }
  if (gaveUp > kLoggedGiveUps) {
    log.writeLogOnly("WARNING! : Emulex Kit lines too complex to match, skipped in all: ")
        .writeLogOnly(std::to_string(gaveUp))
        .writeLogOnly("\n");
  }
  return true;
}

// In the log only: a line the pattern gave up on may have been an adapter,
// and the administrator needs to know it was not read. At most its first
// bytes, with control bytes shown as "?", so that each stays one short line.
void CComponent::logGaveUp(const std::string& text) {
  std::string shown = text.substr(0, kShownBytes);
  for (char& c : shown) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  log.writeLogOnly("WARNING! : Emulex Kit line too complex to match, skipped: ")
      .writeLogOnly(shown)
      .writeLogOnly("\n");
}

std::wstring CComponent::cleanVersionText(const std::wstring& text) {
  return text.substr(0, text.find(L' '));
}

int CComponent::flash() {
  // " /sysfs " and " /f " (or " /update ") joined: two spaces before the mode.
  const FlashEngine kit{kKitScript, std::string(" /sysfs ") + (options.force ? " /f" : " /update")};
  // The script was made executable when the kit was unpacked.
  facts.engine =
      runFlashEngine(log, kit, LoggedCommand::WithLogRedirections, ToolPreparation::AlreadyExecutable);
  return reportFlashOutcome(log, facts.engine.status);
}

bool CComponent::engineWroteFirmware(int code) const { return code == 0 || code == 11 || code == 14; }

// The one archive the kit glob names; none when there are several.
std::string CComponent::packageFile() const {
  const std::vector<std::string> archives = expandGlob(kKitArchive);
  return archives.size() == 1 ? archives.front() : std::string();
}

std::string CComponent::padId(const std::string& text) {
  if (text.size() >= 4) return text;
  return std::string(4 - text.size(), '0') + text;
}

}  // namespace EmulexComp
