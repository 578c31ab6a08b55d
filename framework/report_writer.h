// The self-discovery report: the inventory as XML for a deployment manager.
#pragma once

#include <string>

#include "framework/inventory.h"

// Writes the report to path, replacing any file there; false when the
// document cannot be created or saved.
bool saveDiscoveryReport(const DiscoveryReport& report, const std::string& path);
