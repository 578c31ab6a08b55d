// The self-discovery report: the inventory as XML for a deployment manager.
#pragma once

#include <string>

#include "framework/inventory.h"

// Writes the report to the file named path (see writeReportFile), replacing
// any report there; false when the document cannot be created or saved.
bool saveDiscoveryReport(const DiscoveryReport& report, const std::string& path);
