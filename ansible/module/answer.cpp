// The module's answer as JSON.
#include "ansible/module/answer.h"

#include <nlohmann/json.hpp>

namespace fleet {

namespace {

using nlohmann::json;

json devicesJson(const std::vector<DeviceInfo>& devices) {
  json list = json::array();
  for (const DeviceInfo& device : devices) {
    json items = json::array();
    for (const FirmwareItemInfo& item : device.items) {
      items.push_back({{"type", item.type},
                       {"version", item.version},
                       {"active_version", item.active_version},
                       {"action", item.action},
                       {"duration", item.duration}});
    }
    list.push_back({{"device_id", device.device_id}, {"product_id", device.product_id}, {"items", items}});
  }
  return list;
}

}  // namespace

Answer failedAnswer(const std::string& msg) {
  Answer answer;
  answer.failed = true;
  answer.msg = msg;
  answer.outcome = "failed";
  return answer;
}

std::string answerJson(const Answer& answer) {
  json out = {{"changed", answer.changed},
              {"failed", answer.failed},
              {"msg", answer.msg},
              {"rc", answer.hasRc ? json(answer.rc) : json(nullptr)},
              {"outcome", answer.outcome},
              {"pending", answer.pending},
              {"reboot_required", answer.reboot_required},
              {"devices", devicesJson(answer.devices)},
              {"stdout_lines", answer.stdout_lines},
              {"log", answer.log}};
  if (!answer.warnings.empty()) out["warnings"] = answer.warnings;
  return out.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace fleet
