// Shell globs expanded in the process, the way /bin/sh expands them.
#pragma once

#include <string>
#include <vector>

// The paths the pattern names, in the shell's order; empty when nothing
// matches (a pattern without wildcards names itself only if it exists).
std::vector<std::string> expandGlob(const std::string& pattern);
