// What a run's records tell the module's answer: the failure's category, a
// host that truly has no Fibre Channel adapter, and the summary a person
// reads (the run's outcome, the adapters, the package).
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "ansible/module/call_records.h"
#include "ansible/module/discovery_report.h"

namespace fleet {

// The category of a failed run from its record's cause; "" for a cause the
// history does not name.
std::string categoryOfCause(const std::string& cause);

// A report run that found no adapter: true only when discovery worked and
// there is nothing to find (every hba.conf library loaded and reported none,
// or for Emulex the kit ran and listed none, and sysfs lists no Fibre
// Channel function). Otherwise false, with why in reason.
bool hostHasNoAdapters(const nlohmann::json& ended, std::string& reason);

// One run in a few keys: run_id, mode, started, ended, exit_code, outcome,
// cause, reason, reboot_required.
nlohmann::json runSummary(const RunRecords& run);

// The adapters of a run, catalogued or not: key, model, serial,
// pci_location, port_wwns, firmware and option ROM versions, catalogued.
nlohmann::json adapterSummary(const nlohmann::json& ended);

// Each device of the report with the adapter it came from, where the
// record's device at the same place names it (by its index or a port WWN).
void tieDevicesToAdapters(const nlohmann::json& ended, std::vector<DeviceInfo>& devices);

// The package a run used: its folder and the two SHA-256s.
nlohmann::json packageSummary(const RunRecords& run, const std::string& folder);

}  // namespace fleet
