// Cutting a tool's output into lines.
#pragma once

#include <string>
#include <vector>

// The text in lines, split at "\n"; a last line without a line end counts,
// and a carriage return stays in its line.
std::vector<std::string> splitLines(const std::string& text);
