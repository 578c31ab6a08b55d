// Release detection: the host's Red Hat or SUSE release file, read with cat
// and classified by whole-text patterns.
#pragma once

#include <string>

#include "support/command_runner.h"

// "rhel4", "rhel5", "rhel6", "sles10" or "sles11"; empty when neither release
// file exists or its text is none of those releases. The cat that read the
// file is added to commands.
std::wstring detectReleaseCode(CommandRecords& commands);
