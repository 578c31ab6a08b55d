// Reading a run's records for the module's answer.
#include "ansible/module/run_verdict.h"

#include <utility>

namespace fleet {

namespace {

using nlohmann::json;

const std::pair<const char*, const char*> kCategories[] = {
    {"catalogue_missing", "catalogue"}, {"catalogue_invalid", "catalogue"},
    {"tool_refused", "unsafe_package"}, {"kit_refused", "unsafe_package"},
    {"library_failed", "discovery"},    {"no_adapters", "discovery"},
    {"lock_timeout", "busy"},           {"signal", "interrupted"},
    {"engine_failed", "flash"},         {"engine_exit", "engine_exit"},
    {"parse_error", "configuration"},   {"report_failed", "configuration"},
};

std::string plural(long long n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// Why the libraries of hba.conf do not show a host without adapters; "" when
// they all loaded and reported none.
std::string libraryProblem(const json& libraries) {
  for (const json& library : libraries) {
    const std::string path = textOf(library, "path");
    if (memberOf(library, "loaded") != json(true)) {
      const std::string error = textOf(library, "error");
      return "the library " + path + " did not load" + (error.empty() ? "" : ": " + error);
    }
    const json& adapters = memberOf(library, "adapters");
    if (!adapters.is_number_integer() || adapters.get<long long>() != 0) {
      return "the library " + path + " reported adapters that were not discovered";
    }
  }
  return "";
}

// The Emulex kit discovers: it ran when a captured command started and ended.
bool kitRan(const json& ended) {
  for (const json& command : memberOf(ended, "commands")) {
    if (!memberOf(command, "started").is_null() && memberOf(command, "exit_code").is_number_integer())
      return true;
  }
  return false;
}

std::string discoveryProblem(const json& ended) {
  const json& adapters = memberOf(ended, "adapters");
  if (adapters.is_array() && !adapters.empty()) return "adapters were discovered, but none is supported";
  if (textOf(ended, "component") == "emulex") {
    if (!kitRan(ended)) return "the Emulex kit did not run, so its adapters were not listed";
    return "";
  }
  // An hba.conf without libraries is a host that needs none: sysfs decides.
  return libraryProblem(memberOf(ended, "libraries"));
}

const json& adapterNamed(const json& adapters, const json& name) {
  for (const json& adapter : adapters) {
    if (name.is_number_integer() && memberOf(adapter, "index") == name) return adapter;
    if (!name.is_string()) continue;
    for (const json& wwpn : memberOf(adapter, "port_wwns")) {
      if (wwpn == name) return adapter;
    }
  }
  return memberOf(json(), "");
}

void tieDevice(const json& adapter, DeviceInfo& device) {
  device.pci_location = textOf(adapter, "pci_location");
  device.serial = textOf(adapter, "serial");
  device.port_wwns.clear();
  for (const json& wwpn : memberOf(adapter, "port_wwns")) {
    if (wwpn.is_string()) device.port_wwns.push_back(wwpn.get<std::string>());
  }
}

}  // namespace

void tieDevicesToAdapters(const json& ended, std::vector<DeviceInfo>& devices) {
  const json& recorded = memberOf(ended, "devices");
  const json& adapters = memberOf(ended, "adapters");
  if (!recorded.is_array()) return;
  for (size_t i = 0; i < devices.size() && i < recorded.size(); ++i) {
    if (textOf(recorded[i], "device_id") != devices[i].device_id) continue;
    tieDevice(adapterNamed(adapters, memberOf(recorded[i], "adapter")), devices[i]);
  }
}

std::string categoryOfCause(const std::string& cause) {
  for (const auto& entry : kCategories) {
    if (cause == entry.first) return entry.second;
  }
  return "";
}

bool hostHasNoAdapters(const json& ended, std::string& reason) {
  const std::string cause = textOf(memberOf(ended, "outcome"), "cause");
  reason = textOf(memberOf(ended, "outcome"), "reason");
  if (cause != "no_adapters" && cause != "library_failed") return false;
  const std::string problem = discoveryProblem(ended);
  if (!problem.empty()) {
    reason = problem;
    return false;
  }
  const json& functions = memberOf(ended, "sysfs_fc_functions");
  if (!functions.is_number_integer()) {
    reason = "no adapter was discovered, and the Fibre Channel functions of sysfs were not counted";
    return false;
  }
  const long long count = functions.get<long long>();
  if (count != 0) {
    reason = "no adapter was discovered, but sysfs lists " + plural(count, "Fibre Channel function") +
             " that discovery did not see";
    return false;
  }
  return true;
}

json runSummary(const RunRecords& run) {
  const json& record = run.ended.is_null() ? run.started : run.ended;
  const json& outcome = memberOf(run.ended, "outcome");
  json summary = {{"run_id", textOf(record, "run_id")},
                  {"mode", textOf(record, "mode")},
                  {"started", textOf(record, "started")},
                  {"ended", textOf(run.ended, "ended")},
                  {"exit_code", memberOf(outcome, "exit_code")},
                  {"outcome", run.ended.is_null() ? "unknown" : textOf(outcome, "word")},
                  {"cause", textOf(outcome, "cause")},
                  {"reason", textOf(outcome, "reason")},
                  {"reboot_required", memberOf(run.ended, "reboot_required") == json(true)}};
  return summary;
}

json adapterSummary(const json& ended) {
  json list = json::array();
  for (const json& adapter : memberOf(ended, "adapters")) {
    json wwpns = json::array();
    for (const json& wwpn : memberOf(adapter, "port_wwns")) {
      if (wwpn.is_string()) wwpns.push_back(wwpn);
    }
    list.push_back({{"key", textOf(adapter, "key")},
                    {"model", textOf(adapter, "model")},
                    {"serial", textOf(adapter, "serial")},
                    {"pci_location", textOf(adapter, "pci_location")},
                    {"port_wwns", wwpns},
                    {"firmware_version", textOf(adapter, "firmware_version")},
                    {"option_rom_version", textOf(adapter, "option_rom_version")},
                    {"catalogued", memberOf(adapter, "catalogued") == json(true)}});
  }
  return list;
}

json packageSummary(const RunRecords& run, const std::string& folder) {
  const json& record = run.ended.is_null() ? run.started : run.ended;
  const json& catalogue = memberOf(memberOf(record, "catalogue"), "sha256");
  const json& package = memberOf(record, "package");
  return {{"dir", folder},
          {"catalogue_sha256", catalogue.is_string() ? catalogue : json(nullptr)},
          {"package_sha256", package.is_string() ? package : json(nullptr)},
          {"package_file", memberOf(record, "package_file")}};
}

}  // namespace fleet
