// Maps the host's fixed paths below FCUPDATE_ROOT, so that tests and staging
// trees can run a whole component without touching the host.
#pragma once

#include <string>

// The fixed absolute path itself when FCUPDATE_ROOT is unset or empty,
// otherwise the same path below that directory.
std::string hostPath(const std::string& fixedPath);
