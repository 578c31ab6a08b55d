// The module's answer to Ansible: every return key in every answer, so that
// Ansible never has to guess (a non-zero rc without "failed" reads as failure).
#pragma once

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
  std::string outcome;  // reported, would_apply, nothing_done, applied, failed, engine_exit
  bool pending = false;
  bool reboot_required = false;
  std::vector<DeviceInfo> devices;
  std::vector<std::string> stdout_lines;
  std::vector<std::string> log;
  // Shown by Ansible as warnings and then dropped from the result; only
  // given when there are some.
  std::vector<std::string> warnings;
};

// The key of a device's firmware items in the answer; the device's and the
// items' other keys are the report's element names (framework/report_schema.h).
constexpr char kDeviceItems[] = "items";

// A failure before or without any answer from the component.
Answer failedAnswer(const std::string& msg);

// The answer as one line of JSON. Text that is not UTF-8 (a vendor tool may
// print anything) is replaced character by character, never refused.
std::string answerJson(const Answer& answer);

}  // namespace fleet
