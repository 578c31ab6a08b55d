// Putting the self-discovery report at its path so that a failed write never
// costs the previous report: written whole beside it, then renamed over it.
#pragma once

#include <string>

// Writes bytes to the file named path, taken byte for byte as the user gave
// it (no URI, no "-" for standard output). A path that names something other
// than a regular file (a device, a FIFO, /dev/stdout) is written in place and
// never created; a FIFO without a reader fails at once. Otherwise a new file
// is written and synced in the same folder and renamed over the path, so a
// symlink there is replaced, not followed; when no file can be created in the
// folder, an existing regular file is rewritten in place instead. On failure
// false, with nothing left behind and, except in that last case, the previous
// file unchanged.
bool writeReportFile(const std::string& path, const std::string& bytes);
