// The path names that stand for a descriptor the process already holds.
#pragma once

#include <string>

// True when path is, exactly as written, "/dev/stdout" (descriptor 1),
// "/dev/stderr" (2), "/dev/fd/N" or "/proc/self/fd/N", with N in decimal
// without sign or leading zero ("0" itself is fine). fd is then N, or -1 when
// N is too large to be a descriptor. Links are not resolved: "/dev/./stdout"
// or "/dev/fd/01" are other names.
bool descriptorName(const std::string& path, int& fd);
