// The module's answer as JSON.
#include "ansible/module/answer.h"

#include <nlohmann/json.hpp>

#include "framework/report_schema.h"

namespace fleet {

namespace {

using nlohmann::json;
namespace schema = reportSchema;

// A device and its items under the report's own element names; only the
// list of items has a name of the module's.
json devicesJson(const std::vector<DeviceInfo>& devices) {
  json list = json::array();
  for (const DeviceInfo& device : devices) {
    json items = json::array();
    for (const FirmwareItemInfo& item : device.items) {
      items.push_back({{schema::kItemType, item.type},
                       {schema::kItemVersion, item.version},
                       {schema::kActiveVersion, item.active_version},
                       {schema::kAction, item.action},
                       {schema::kDuration, item.duration}});
    }
    list.push_back({{schema::kDeviceId, device.device_id},
                    {schema::kProductId, device.product_id},
                    {kDeviceItems, items},
                    {"pci_location", device.pci_location},
                    {"serial", device.serial},
                    {"port_wwns", device.port_wwns}});
  }
  return list;
}

}  // namespace

Answer failedAnswer(const std::string& msg) {
  Answer answer;
  answer.failed = true;
  answer.msg = msg;
  answer.outcome = "failed";
  answer.category = "configuration";
  return answer;
}

std::string answerJson(const Answer& answer) {
  json out = {{"changed", answer.changed},
              {"failed", answer.failed},
              {"msg", answer.msg},
              {"rc", answer.hasRc ? json(answer.rc) : json(nullptr)},
              {"outcome", answer.outcome},
              {"category", answer.category},
              {"pending", answer.pending},
              {"reboot_required", answer.reboot_required},
              {"reboot_pending", answer.reboot_pending},
              {"held", answer.held},
              {"verification", answer.verification},
              {"boot_id", answer.boot_id},
              {"devices", devicesJson(answer.devices)},
              {"adapters", answer.adapters},
              {"package", answer.package},
              {"runs", answer.runs},
              {"history", answer.history},
              {"stdout_lines", answer.stdout_lines},
              {"log", answer.log}};
  if (!answer.warnings.empty()) out["warnings"] = answer.warnings;
  return out.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace fleet
