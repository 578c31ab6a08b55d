// The Brocade rules: inventory from the option ROM version, and the boot update run.
#include "components/brocade/component.h"

#include "fchba/field_text.h"
#include "framework/run_exit.h"
#include "framework/tool_trust.h"
#include "framework/vendor_tool.h"
#include "regex/pattern.h"
#include "support/wide_text.h"

namespace BrocadeComp {

namespace {

const char kTool[] = "./bcu_bootupdate";
const char kBootImage[] = "bfa_boot_fw";

}  // namespace

// The tool runs only when flashing, but a report run already refuses an
// unsafe package, so that the administrator learns it before any flash.
bool CComponent::discover() {
  if (!vendorFilesTrusted(log, {kTool, kBootImage}, &facts.toolRefusal)) return false;
  return CBaseCmp::discover();
}

void CComponent::buildInventory() {
  for (const CataloguedAdapter& found : cataloguedAdapters(DeviceIdSource::AdapterKey)) {
    const ReferenceDevice& entry = *found.entry;
    const std::wstring installed =
        cleanVersionText(toWide(fieldText(adapters[found.adapter].optionRomVersion)));
    report.devices.push_back(
        discoveredDevice(found.deviceId, entry,
                         {firmwareItem(L"Boot BIOS ROM", entry.bios, installed, compareVersions, entry)}));
    facts.deviceAdapters.push_back(found.adapter);
  }
}

std::wstring CComponent::cleanVersionText(const std::wstring& text) {
  // The greedy leading ".*" makes the number start as late as it can, so a
  // first part of several digits keeps only its last digit.
  std::unique_ptr<WidePattern> pattern =
      WidePattern::create(L".*(\\d+\\.\\d+\\.\\d+\\.\\d+).*", WidePattern::DOT_ALL);
  if (pattern == nullptr) return text;
  std::unique_ptr<WidePatternMatcher> matcher = pattern->newMatcher(text);
  if (matcher == nullptr || !matcher->matchWhole()) return text;
  return matcher->groupText(1);
}

std::string CComponent::packageFile() const { return kBootImage; }

int CComponent::flash() {
  const FlashEngine engine{kTool, std::string(" boot --update ") + kBootImage + " -a"};
  facts.engine = runFlashEngine(log, engine, LoggedCommand::EngineOnly, ToolPreparation::MakeExecutable);
  const CommandStatus& status = facts.engine.status;
  return status.exitCode == 0 && !status.signalled ? kExitApplied : kExitFailed;
}

}  // namespace BrocadeComp
