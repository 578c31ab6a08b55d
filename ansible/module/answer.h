// The module's answer to Ansible: every return key in every answer, so that
// Ansible never has to guess (a non-zero rc without "failed" reads as failure).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ansible/module/discovery_report.h"

namespace fleet {

struct Answer {
  bool changed = false;
  bool failed = false;
  std::string msg;
  bool hasRc = false;  // false: the component never ran, rc is null
  int rc = 0;
  // reported, would_apply, nothing_done, no_adapters, applied, held, failed,
  // engine_exit
  std::string outcome;
  std::string category;  // why a failed call failed; "" otherwise
  bool pending = false;
  bool reboot_required = false;  // this call applied an update
  bool reboot_pending = false;   // an applied update waits for this host's reboot
  bool held = false;             // the last flash of this package failed
  // "reboot_pending" after this call applied an update; the role sets what
  // the check after the reboot found
  std::string verification;
  std::string boot_id;
  std::vector<DeviceInfo> devices;
  std::vector<std::string> stdout_lines;
  std::vector<std::string> log;
  // Taken from the run history: a few keys of each run of this call, the
  // adapters and package of its report run, and with the option history
  // the records themselves.
  nlohmann::json runs = nlohmann::json::array();
  nlohmann::json adapters = nlohmann::json::array();
  nlohmann::json package = nullptr;
  nlohmann::json history = nlohmann::json::array();
  // Shown by Ansible as warnings and then dropped from the result; only
  // given when there are some.
  std::vector<std::string> warnings;
};

// The key of a device's firmware items in the answer; the device's and the
// items' other keys are the report's element names (framework/report_schema.h).
constexpr char kDeviceItems[] = "items";

// A failure before or without any answer from the component.
// Its category is "configuration": options, package folder, executable.
Answer failedAnswer(const std::string& msg);

// The answer as one line of JSON. Text that is not UTF-8 (a vendor tool may
// print anything) is replaced character by character, never refused.
std::string answerJson(const Answer& answer);

}  // namespace fleet
