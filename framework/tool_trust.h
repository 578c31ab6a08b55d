// Refusing to run a vendor tool that another user could change, or whose
// files (what it runs, what it writes to an adapter) another user could.
#pragma once

#include <string>
#include <vector>

#include "framework/component_log.h"
#include "support/path_trust.h"

// The one error line for a finding, naming the path, its owner or mode and
// the command that mends it; empty for a trusted verdict.
std::string trustRefusal(const TrustVerdict& verdict);

// Judges each path (relative to the working directory, with every folder on
// its way) as found, before anything changes its mode; on the first that
// another user could change, writes the refusal (and keeps it in why, when
// given) and returns false.
bool vendorFilesTrusted(ComponentLog& log, const std::vector<std::string>& paths, std::string* why = nullptr);
