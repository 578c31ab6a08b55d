// The system log line's fields, taken from an ended record.
#include "framework/history_syslog.h"

#include <cstdint>

#include "support/syslog_line.h"

namespace {

const HistoryRecord& member(const HistoryRecord& object, const char* key) {
  static const HistoryRecord kNothing;
  if (!object.is_object()) return kNothing;
  const auto found = object.find(key);
  return found == object.end() ? kNothing : *found;
}

std::string field(const HistoryRecord& value) {
  if (value.is_string() && !value.get_ref<const std::string&>().empty()) return value.get<std::string>();
  if (value.is_number_unsigned()) return std::to_string(value.get<std::uint64_t>());
  if (value.is_number_integer()) return std::to_string(value.get<std::int64_t>());
  return "-";
}

std::size_t updates(const HistoryRecord& ended) {
  const bool forced = member(member(ended, "decision"), "forced") == true;
  std::size_t count = 0;
  const HistoryRecord& devices = member(ended, "devices");
  if (!devices.is_array()) return 0;
  for (const HistoryRecord& device : devices) {
    const HistoryRecord& items = member(device, "items");
    if (!items.is_array()) continue;
    for (const HistoryRecord& item : items) {
      const HistoryRecord& action = member(item, "action");
      if (action == "upgrade" || (forced && action.is_string() && !action.empty())) ++count;
    }
  }
  return count;
}

}  // namespace

int historySyslogPriority(const HistoryRecord& ended) {
  const HistoryRecord& word = member(member(ended, "outcome"), "word");
  const bool asItShouldBe = word == "applied" || word == "nothing_done" || word == "report_written";
  return asItShouldBe ? kSyslogNotice : kSyslogError;
}

std::string historySyslogFields(const HistoryRecord& ended) {
  const HistoryRecord& outcome = member(ended, "outcome");
  const HistoryRecord& adapters = member(ended, "adapters");
  return "run=" + field(member(ended, "run_id")) + " component=" + field(member(ended, "component")) +
         " outcome=" + field(member(outcome, "word")) + " cause=" + field(member(outcome, "cause")) +
         " exit=" + field(member(outcome, "exit_code")) +
         " adapters=" + std::to_string(adapters.is_array() ? adapters.size() : 0) +
         " updates=" + std::to_string(updates(ended)) + " reason=" + field(member(outcome, "reason"));
}

std::string historySyslogLine(const HistoryRecord& ended, std::time_t when, long pid) noexcept {
  try {
    return syslogLine(historySyslogPriority(ended), when, pid, historySyslogFields(ended));
  } catch (...) {
    return std::string();
  }
}
