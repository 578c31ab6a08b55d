// Reading the lines of the HBA API configuration file: a library name, a
// separator and the path of the library to load.
#pragma once

#include <cstddef>
#include <string>

struct HbaConfEntry {
  std::string name;
  std::string path;
};

// A configuration file lists a few libraries: a line past 64 KB or a file
// past 1 MB is not one, and a device or FIFO in its place must not be read
// without end.
constexpr std::size_t kHbaConfLineBound = std::size_t{64} * 1024;
constexpr std::size_t kHbaConfBound = std::size_t{1024} * 1024;

// The longest path a library slot holds; a longer one would load a different
// file once cut, so its line is skipped instead.
constexpr std::size_t kHbaConfMaxPath = 255;

// Fills entry from one line (with or without its "\n") and returns true, or
// returns false for a line that names no library: empty, a comment, no tab or
// space separator, an empty name, or a path that is empty or too long once
// filtered. The path ends at its first character outside A-Z a-z 0-9 _ - . /.
bool parseHbaConfLine(const std::string& line, HbaConfEntry& entry);
