#include "components/brocade/component.h"

#include "fchba/field_text.h"
#include "framework/run_exit.h"
#include "framework/vendor_tool.h"
#include "regex/pattern.h"
#include "support/wide_text.h"

namespace BrocadeComp {

namespace {

FirmwareItem bootBiosItem(const ReferenceDevice& entry, const std::wstring& installed) {
  FirmwareItem item;
  item.type = L"Boot BIOS ROM";
  item.version = entry.bios;
  item.active_version = installed;
  item.action = actionFor(CBaseCmp::compareVersions(item.version, item.active_version));
  item.duration = entry.duration;
  item.shared = L"no";
  return item;
}

}  // namespace

void CComponent::buildInventory() {
  for (std::size_t i = 0; i < adapters.size(); ++i) {
    const std::wstring key = pciIdText(i);
    const int index = findCatalogueIndex(key);
    if (index < 0 || static_cast<std::size_t>(index) >= catalogue.devices.size()) continue;
    const ReferenceDevice& entry = catalogue.devices[index];
    DiscoveredDevice device;
    device.device_id = key;
    device.product_id = entry.model;
    device.fw_items.push_back(
        bootBiosItem(entry, cleanVersionText(toWide(fieldText(adapters[i].optionRomVersion)))));
    report.devices.push_back(device);
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

int CComponent::flash() {
  const FlashEngine engine{"./bcu_bootupdate", " boot --update bfa_boot_fw -a"};
  const CommandStatus status =
      runFlashEngine(log, engine, LoggedCommand::EngineOnly, ToolPreparation::MakeExecutable);
  return status.exitCode == 0 && !status.signalled ? kExitApplied : kExitFailed;
}

}  // namespace BrocadeComp
