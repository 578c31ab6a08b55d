// Rendering a history run as text, from records whose keys are fixed but
// whose values are read as found: a key missing or of another type shows as
// nothing rather than failing.
#include "framework/history_text.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <vector>

namespace {

using Json = nlohmann::json;

constexpr int kMaxRecordDepth = 16;

Json parsedRecord(const std::string& line) {
  if (line.empty()) return Json::object();
  const Json::parser_callback_t bound = [](int depth, Json::parse_event_t event, Json&) {
    return depth < kMaxRecordDepth ||
           (event != Json::parse_event_t::object_start && event != Json::parse_event_t::array_start);
  };
  Json value = Json::parse(line, bound, false);
  return value.is_object() ? value : Json::object();
}

// What a terminal shows as it is; every other control character as "?",
// the C1 ones (U+0080 to U+009F, which some terminals obey) included.
std::string shown(const std::string& text) {
  std::string safe;
  safe.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool c1 =
        byte == 0xc2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xe0) == 0x80;
    if (c1) ++i;
    safe += c1 || (byte < 0x20 && byte != '\t') || byte == 0x7f ? '?' : text[i];
  }
  return safe;
}

const Json& member(const Json& object, const char* key) {
  static const Json kNothing;
  if (!object.is_object()) return kNothing;
  const auto found = object.find(key);
  return found == object.end() ? kNothing : *found;
}

// A text or a number as text; anything else is empty.
std::string text(const Json& value) {
  if (value.is_string()) return shown(value.get_ref<const std::string&>());
  if (value.is_number_unsigned()) return std::to_string(value.get<std::uint64_t>());
  if (value.is_number_integer()) return std::to_string(value.get<std::int64_t>());
  return std::string();
}

std::string text(const Json& object, const char* key) { return text(member(object, key)); }

const Json& list(const Json& object, const char* key) {
  static const Json kEmpty = Json::array();
  const Json& value = member(object, key);
  return value.is_array() ? value : kEmpty;
}

// Non-empty parts joined by ", ".
std::string joined(const std::vector<std::string>& parts, const char* separator = ", ") {
  std::string line;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!line.empty()) line += separator;
    line += part;
  }
  return line;
}

std::string labelled(const char* label, const std::string& value, const char* after = "") {
  return value.empty() ? std::string() : std::string(label) + value + after;
}

std::string firstLine(const Json& record, bool ended) {
  std::string line = text(record, "started");
  if (line.empty()) line = "(start unknown)";
  line += "  " + text(record, "program") + "  ";
  if (!ended) return line + "unknown: no end was recorded (killed, crashed, or the host went down)\n";
  const Json& outcome = member(record, "outcome");
  const std::string cause = text(outcome, "cause");
  const std::string word = text(outcome, "word");
  line += word.empty() ? "no outcome recorded" : word;
  if (!cause.empty() && cause != "none") line += " (" + cause + ")";
  return line + labelled(", exit code ", text(outcome, "exit_code")) + "\n";
}

std::string runLine(const Json& record, const std::string& runId) {
  std::vector<std::string> parts = {
      text(record, "component") + labelled(" ", text(record, "version")),
      labelled("pid ", text(record, "pid")), labelled("uid ", text(record, "uid")),
      labelled("host ", text(record, "host")), labelled("mode ", text(record, "mode"))};
  if (member(record, "force") == true) parts.emplace_back("forced");
  if (member(record, "silent") == true) parts.emplace_back("silent");
  return "  Run " + runId + labelled(": ", joined(parts)) + "\n";
}

std::string commandLine(const Json& record) {
  if (!member(record, "arguments").is_array()) return std::string();
  std::vector<std::string> words = {text(record, "program")};
  for (const Json& argument : list(record, "arguments")) words.push_back(text(argument));
  return "  Command: " + joined(words, " ") + "\n";
}

// "    multiboot 1.2.3 -> 1.2.5, upgrade" for each item of a device.
std::string itemLines(const Json& device) {
  std::string lines;
  for (const Json& item : list(device, "items")) {
    std::string installed = text(item, "active_version");
    if (installed.empty()) installed = "(none)";
    lines += "    " + text(item, "type") + " " + installed + " -> " + text(item, "version") +
             labelled(", ", text(item, "action")) + "\n";
  }
  return lines;
}

// A device names its adapter by index or by a port's WWN.
bool deviceOf(const Json& device, const Json& adapter) {
  const Json& link = member(device, "adapter");
  if (link.is_number_integer() || link.is_number_unsigned()) return link == member(adapter, "index");
  if (!link.is_string()) return false;
  for (const Json& wwn : list(adapter, "port_wwns")) {
    if (wwn == link) return true;
  }
  return false;
}

std::string adapterLines(const Json& adapter, const Json& devices, std::vector<bool>& shownDevices) {
  std::vector<std::string> wwns;
  for (const Json& wwn : list(adapter, "port_wwns")) wwns.push_back(text(wwn));
  std::string lines =
      "  Adapter " + text(adapter, "index") + ": " +
      joined({text(adapter, "model"), labelled("key ", text(adapter, "key")), labelled("WWPN ", joined(wwns)),
              labelled("at ", text(adapter, "pci_location"))}) +
      "\n";
  for (const Json& problem : list(adapter, "problems")) lines += "    problem: " + text(problem) + "\n";
  for (std::size_t i = 0; i < devices.size(); ++i) {
    if (shownDevices[i] || !deviceOf(devices[i], adapter)) continue;
    shownDevices[i] = true;
    lines += itemLines(devices[i]);
  }
  return lines;
}

std::string inventoryLines(const Json& record) {
  const Json& adapters = list(record, "adapters");
  const Json& devices = list(record, "devices");
  std::string lines;
  if (adapters.empty()) {
    const std::string functions = text(record, "sysfs_fc_functions");
    lines +=
        "  No adapters discovered" +
        (functions.empty() ? std::string() : " (sysfs lists " + functions + " Fibre Channel functions)") +
        "\n";
  }
  std::vector<bool> shownDevices(devices.size(), false);
  for (const Json& adapter : adapters) lines += adapterLines(adapter, devices, shownDevices);
  for (std::size_t i = 0; i < devices.size(); ++i) {
    if (shownDevices[i]) continue;
    lines += "  Device" +
             labelled(" ", joined({text(devices[i], "device_id"), text(devices[i], "product_id")}, " ")) +
             " (adapter not known)\n" + itemLines(devices[i]);
  }
  return lines;
}

std::string tailLines(const std::string& tail) {
  std::string lines;
  std::size_t start = 0;
  while (start < tail.size()) {
    std::size_t end = tail.find('\n', start);
    if (end == std::string::npos) end = tail.size();
    std::string line = tail.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines += "    | " + shown(line) + "\n";
    start = end + 1;
  }
  return lines;
}

std::string engineLines(const Json& record) {
  const Json& engine = member(record, "engine");
  const std::string command = text(engine, "command");
  if (command.empty()) return std::string();
  const std::string signal = text(engine, "signal");
  const std::string ending =
      signal.empty() ? labelled("exit code ", text(engine, "exit_code")) : "signal " + signal;
  const Json& tail = member(engine, "output_tail");
  return "  Engine: " + joined({command, ending, labelled("", text(engine, "ms"), " ms")}) + "\n" +
         (tail.is_string() ? tailLines(tail.get_ref<const std::string&>()) : std::string());
}

std::string endedLines(const Json& record) {
  std::string lines = labelled("  Ended ", text(record, "ended"), "\n") +
                      labelled("  Reason: ", text(member(record, "outcome"), "reason"), "\n") +
                      inventoryLines(record) + engineLines(record);
  for (const Json& warning : list(record, "warnings")) lines += "  Warning: " + text(warning) + "\n";
  if (member(record, "truncated") == true) lines += "  (this record was cut to fit its bound)\n";
  return lines;
}

}  // namespace

std::string historyRunText(const HistoryRun& run) {
  const bool ended = !run.ended.empty();
  const Json record = parsedRecord(ended ? run.ended : run.started);
  std::string lines = firstLine(record, ended) + runLine(record, shown(run.runId)) + commandLine(record);
  return ended ? lines + endedLines(record) : lines;
}
